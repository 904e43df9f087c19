#include "platform/wayland/LayoutKeys.h"

#include <linux/input-event-codes.h>

#include "platform/wayland/Xkb.h"

namespace tarsel {

// Walks every key and level of the first layout once.
struct LayoutScan {
    xkb_keymap* keymap;
    LayoutKeys& out;
    xkb_mod_mask_t shift = 0;
    xkb_mod_mask_t level3 = 0;

    void run() {
        shift = xkb::modMask(keymap, XKB_MOD_NAME_SHIFT);
        level3 = xkb::modMask(keymap, "Mod5");
        const xkb_keycode_t last = xkb_keymap_max_keycode(keymap);
        for (xkb_keycode_t code = xkb_keymap_min_keycode(keymap); code <= last; ++code) {
            const xkb_level_index_t levels = xkb_keymap_num_levels_for_key(keymap, code, 0);
            for (xkb_level_index_t level = 0; level < levels; ++level) add(code, level);
        }
    }

    void add(xkb_keycode_t code, xkb_level_index_t level) {
        const xkb_keysym_t* syms = nullptr;
        if (xkb_keymap_key_get_syms_by_level(keymap, code, 0, level, &syms) != 1) return;
        // Right Alt where it is AltGr: a key every keyboard has, unlike <LVL3>.
        const int evdev = static_cast<int>(code) - 8;
        if (syms[0] == XKB_KEY_ISO_Level3_Shift && level == 0 &&
            (!out.level3Key_ || evdev == KEY_RIGHTALT))
            out.level3Key_ = evdev;
        const char32_t c = xkb_keysym_to_utf32(syms[0]);
        const bool printable = c >= 0x20 && c != 0x7f;
        if (!printable && c != '\t' && c != '\r') return;
        const auto key = keyFor(code, level);
        if (!key) return;
        auto [it, added] = out.keys_.try_emplace(c, *key);
        if (!added && weight(*key) < weight(it->second)) it->second = *key;
    }

    // The simplest modifier set that selects `level`: none, Shift, AltGr, both.
    std::optional<LayoutKey> keyFor(xkb_keycode_t code, xkb_level_index_t level) const {
        xkb_mod_mask_t masks[8];
        const size_t n = xkb_keymap_key_get_mods_for_level(keymap, code, 0, level, masks, 8);
        std::optional<LayoutKey> best;
        for (size_t i = 0; i < n; ++i) {
            if (masks[i] & ~(shift | level3)) continue;
            LayoutKey key{static_cast<int>(code) - 8, (masks[i] & shift) != 0,
                          level3 && (masks[i] & level3) != 0};
            if (!best || weight(key) < weight(*best)) best = key;
        }
        return best;
    }

    static int weight(const LayoutKey& k) { return int{k.shift} + 2 * int{k.level3}; }
};

namespace {

std::optional<LayoutKeys> scan(const xkb::Keymap& keymap) {
    if (!keymap) return std::nullopt;
    LayoutKeys keys;
    LayoutScan{keymap.get(), keys}.run();
    return keys;
}

}  // namespace

std::optional<LayoutKeys> LayoutKeys::fromText(std::string_view text) {
    return scan(xkb::fromText(text));
}

std::optional<LayoutKeys> LayoutKeys::fromNames(const char* layout, const char* variant) {
    return scan(xkb::fromNames(layout, variant));
}

std::optional<LayoutKey> LayoutKeys::find(char32_t c) const {
    auto it = keys_.find(c == '\n' ? U'\r' : c);
    if (it == keys_.end()) return std::nullopt;
    if (it->second.level3 && !level3Key_) return std::nullopt;
    return it->second;
}

}  // namespace tarsel
