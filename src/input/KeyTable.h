#pragma once
// The key-name table and the words of a key combination.
#include <optional>
#include <string>

#include "input/KeyMap.h"

namespace tarsel::KeyMapProcessor {

// The modifier flag a combination word stands for ("cmd", "shift", ...).
std::optional<EventFlags> modifierFlagForWord(const std::string& word);

// A decimal integer as the phone writes a raw key code: an optional sign and
// ASCII digits only, within 64 bits.
std::optional<int64_t> parseDecimal(const std::string& text, bool allowPlus);

// What a combination such as "command+option+esc" asks for.
struct Combination {
    enum class Kind { press, click, power, noKey };
    Kind kind = Kind::noKey;
    KeyCode keyCode = 0;  // for a click: the button (0 left, 1 right, 2 middle)
    EventFlags modifiers = 0;
};
Combination parseCombination(const std::string& command);

}  // namespace tarsel::KeyMapProcessor
