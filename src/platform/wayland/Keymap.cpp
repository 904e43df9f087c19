#include "platform/wayland/Keymap.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <memory>
#include <string>

#include "platform/wayland/Xkb.h"

namespace tarsel {
namespace {

// The text in a memory file the compositor maps read-only.
UniqueFd memoryFile(const char* text, size_t size) {
    UniqueFd fd(memfd_create("tarsel-keymap", MFD_CLOEXEC | MFD_ALLOW_SEALING));
    if (!fd) return fd;
    size_t done = 0;
    while (done < size) {
        const ssize_t n = write(fd.get(), text + done, size - done);
        if (n <= 0) return UniqueFd();
        done += static_cast<size_t>(n);
    }
    fcntl(fd.get(), F_ADD_SEALS, F_SEAL_SHRINK | F_SEAL_GROW | F_SEAL_WRITE | F_SEAL_SEAL);
    return fd;
}

Keymap sealed(const std::string& text) {
    Keymap k;
    k.fd = memoryFile(text.c_str(), text.size() + 1);
    k.size = k.fd ? static_cast<uint32_t>(text.size() + 1) : 0;
    return k;
}

std::string keysymName(char32_t c) {
    if (c == '\n' || c == '\r') return "Return";
    if (c == '\t') return "Tab";
    char name[64];
    xkb_keysym_get_name(xkb_utf32_to_keysym(c), name, sizeof name);
    return name;
}

}  // namespace

std::optional<Keymap> textKeymap(std::u32string_view characters) {
    if (characters.size() > kTextKeys) return std::nullopt;
    std::string codes, symbols;
    for (size_t i = 0; i < characters.size(); ++i) {
        const std::string key = "<T" + std::to_string(i + 1) + ">";
        codes += key + " = " + std::to_string(i + 9) + ";\n";
        symbols += "key " + key + " { [ " + keysymName(characters[i]) + " ] };\n";
    }
    Keymap k = sealed("xkb_keymap {\nxkb_keycodes \"tarsel\" {\nminimum = 8;\nmaximum = " +
                      std::to_string(characters.size() + 9) + ";\n" + codes +
                      "};\nxkb_types \"tarsel\" { include \"complete\" };\n"
                      "xkb_compatibility \"tarsel\" { include \"complete\" };\n"
                      "xkb_symbols \"tarsel\" {\n" +
                      symbols + "};\n};\n");
    if (!k.fd) return std::nullopt;
    return k;
}

std::optional<Keymap> usKeymap() {
    const xkb::Keymap keymap = xkb::fromNames("us");
    if (!keymap) return std::nullopt;
    std::unique_ptr<char, decltype(&free)> text(
        xkb_keymap_get_as_string(keymap.get(), XKB_KEYMAP_FORMAT_TEXT_V1), &free);
    if (!text) return std::nullopt;
    Keymap k = sealed(text.get());
    if (!k.fd) return std::nullopt;
    k.shift = xkb::modMask(keymap.get(), XKB_MOD_NAME_SHIFT);
    k.ctrl = xkb::modMask(keymap.get(), XKB_MOD_NAME_CTRL);
    k.alt = xkb::modMask(keymap.get(), XKB_MOD_NAME_ALT);
    k.super = xkb::modMask(keymap.get(), XKB_MOD_NAME_LOGO);
    return k;
}

}  // namespace tarsel
