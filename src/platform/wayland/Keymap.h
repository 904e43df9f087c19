#pragma once
// The agent's own keymap for virtual keyboards that upload one: a plain US
// layout, since keys are positional evdev codes and text arrives by paste.
#include <cstdint>
#include <optional>

#include "platform/posix/UniqueFd.h"

namespace tarsel {

struct Keymap {
    UniqueFd fd;  // the keymap text, NUL-terminated, in a sealed memory file
    uint32_t size = 0;
    // Modifier masks of that keymap.
    uint32_t shift = 0, ctrl = 0, alt = 0, super = 0;
};

std::optional<Keymap> usKeymap();

}  // namespace tarsel
