#pragma once
// xkbcommon's objects with owners, keymaps compiled from rule names or text,
// and a modifier's mask: shared by the agent's own keymaps and the desktop's
// layout.
#include <xkbcommon/xkbcommon.h>

#include <memory>
#include <string>
#include <string_view>

namespace tarsel::xkb {

template <class T, void (*Free)(T*)>
struct Deleter {
    void operator()(T* p) const { Free(p); }
};
using Context = std::unique_ptr<xkb_context, Deleter<xkb_context, xkb_context_unref>>;
using Keymap = std::unique_ptr<xkb_keymap, Deleter<xkb_keymap, xkb_keymap_unref>>;

// With the evdev rules and a pc105 keyboard; null if it does not compile.
inline Keymap fromNames(const char* layout, const char* variant = "") {
    Context context(xkb_context_new(XKB_CONTEXT_NO_FLAGS));
    if (!context) return nullptr;
    const xkb_rule_names names{"evdev", "pc105", layout, variant, ""};
    return Keymap(xkb_keymap_new_from_names(context.get(), &names, XKB_KEYMAP_COMPILE_NO_FLAGS));
}

// A keymap's text as a compositor sends it, which may end in NUL bytes.
inline Keymap fromText(std::string_view text) {
    Context context(xkb_context_new(XKB_CONTEXT_NO_FLAGS));
    if (!context) return nullptr;
    const std::string body(text.substr(0, text.find('\0')));
    return Keymap(xkb_keymap_new_from_string(context.get(), body.c_str(), XKB_KEYMAP_FORMAT_TEXT_V1,
                                             XKB_KEYMAP_COMPILE_NO_FLAGS));
}

inline xkb_mod_mask_t modMask(xkb_keymap* keymap, const char* name) {
    const xkb_mod_index_t index = xkb_keymap_mod_get_index(keymap, name);
    return index == XKB_MOD_INVALID ? 0 : 1u << index;
}

}  // namespace tarsel::xkb
