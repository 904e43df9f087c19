#pragma once
// The keymaps a virtual keyboard uploads: a plain US layout for keys, which
// are positional evdev codes, and one made for the characters of a text.
#include <cstdint>
#include <optional>
#include <string_view>

#include "platform/posix/UniqueFd.h"

namespace tarsel {

struct Keymap {
    UniqueFd fd;  // the keymap text, NUL-terminated, in a sealed memory file
    uint32_t size = 0;
    // Modifier masks of that keymap.
    uint32_t shift = 0, ctrl = 0, alt = 0, super = 0;
};

std::optional<Keymap> usKeymap();
// A keymap whose keys type `characters` (distinct, at most kTextKeys): the
// evdev code of the i-th is i + 1; a line break is Return.
inline constexpr size_t kTextKeys = 200;
std::optional<Keymap> textKeymap(std::u32string_view characters);

}  // namespace tarsel
