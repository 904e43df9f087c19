#include "input/KeyTable.h"

#include <charconv>

#include "runtime/Unicode.h"

namespace tarsel::KeyMapProcessor {
namespace {

std::unordered_map<std::string, KeyCode> buildKeyMap() {
    return {
        // Named keys.
        {"return", 36},
        {"enter", 36},
        {"tab", 48},
        {"space", 49},
        {"delete", 51},
        {"backspace", 51},
        {"escape", 53},
        {"esc", 53},
        {"command", 55},
        {"cmd", 55},
        {"shift", 56},
        {"capslock", 57},
        {"option", 58},
        {"opt", 58},
        {"alt", 58},
        {"control", 59},
        {"ctrl", 59},
        {"function", 63},
        {"fn", 63},
        {"volume_up", 72},
        {"volume_down", 73},
        {"mute", 74},
        {"help", 114},
        {"home", 115},
        {"page_up", 116},
        {"forward_delete", 117},
        {"end", 119},
        {"page_down", 121},
        {"left", 123},
        {"right", 124},
        {"down", 125},
        {"up", 126},
        // Function keys.
        {"f1", 122},
        {"f2", 120},
        {"f3", 99},
        {"f4", 118},
        {"f5", 96},
        {"f6", 97},
        {"f7", 98},
        {"f8", 100},
        {"f9", 101},
        {"f10", 109},
        {"f11", 103},
        {"f12", 111},
        {"f13", 105},
        {"f14", 107},
        {"f15", 113},
        {"f16", 106},
        {"f17", 64},
        {"f18", 79},
        {"f19", 80},
        {"f20", 90},
        // Letters.
        {"a", 0},
        {"b", 11},
        {"c", 8},
        {"d", 2},
        {"e", 14},
        {"f", 3},
        {"g", 5},
        {"h", 4},
        {"i", 34},
        {"j", 38},
        {"k", 40},
        {"l", 37},
        {"m", 46},
        {"n", 45},
        {"o", 31},
        {"p", 35},
        {"q", 12},
        {"r", 15},
        {"s", 1},
        {"t", 17},
        {"u", 32},
        {"v", 9},
        {"w", 13},
        {"x", 7},
        {"y", 16},
        {"z", 6},
        // Digits.
        {"0", 29},
        {"1", 18},
        {"2", 19},
        {"3", 20},
        {"4", 21},
        {"5", 23},
        {"6", 22},
        {"7", 26},
        {"8", 28},
        {"9", 25},
        // Punctuation.
        {"-", 27},
        {"=", 24},
        {"[", 33},
        {"]", 30},
        {"\\", 42},
        {";", 41},
        {"'", 39},
        {",", 43},
        {".", 47},
        {"/", 44},
        {"`", 50},
        // Word aliases.
        {"plus", 24},
        {"equal", 24},
        {"minus", 27},
        {"dash", 27},
    };
}

}  // namespace

const std::unordered_map<std::string, KeyCode>& keyMap() {
    static const auto table = buildKeyMap();  // thread-safe first use
    return table;
}

namespace {

// "ctrl+click", "super+right_click": a click with those modifiers held.
std::optional<KeyCode> clickButton(const std::string& word) {
    if (word == "click") return 0;
    if (word == "right_click") return 1;
    if (word == "middle_click") return 2;
    return std::nullopt;
}

}  // namespace

std::optional<EventFlags> modifierFlagForWord(const std::string& word) {
    if (word == "cmd" || word == "command" || word == "win") return flag::command;
    if (word == "shift") return flag::shift;
    if (word == "opt" || word == "option" || word == "alt") return flag::option;
    if (word == "ctrl" || word == "control") return flag::control;
    if (word == "fn" || word == "function") return flag::function;
    if (word == "capslock") return flag::capsLock;
    if (word == "super") return flag::super;
    return std::nullopt;
}

std::optional<int64_t> parseDecimal(const std::string& text, bool allowPlus) {
    std::size_t start = 0;
    if (!text.empty() && (text[0] == '-' || (allowPlus && text[0] == '+'))) start = 1;
    if (start == text.size()) return std::nullopt;
    for (std::size_t i = start; i < text.size(); ++i)
        if (text[i] < '0' || text[i] > '9') return std::nullopt;
    int64_t value = 0;
    const char* first = text.data() + (text[0] == '+' ? 1 : 0);
    auto [end, ec] = std::from_chars(first, text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return value;
}

Combination parseCombination(const std::string& command) {
    const std::string lower = unicode::toLower(command);
    Combination result;
    bool found = false, clicks = false;
    std::size_t pos = 0;
    while (pos <= lower.size()) {
        std::size_t plus = lower.find('+', pos);
        if (plus == std::string::npos) plus = lower.size();
        std::string raw = lower.substr(pos, plus - pos);
        pos = plus + 1;
        if (raw.empty()) continue;
        const std::string piece = unicode::trimWhitespaces(raw);
        if (auto mod = modifierFlagForWord(piece)) {
            result.modifiers |= *mod;
        } else if (piece == "power") {
            return {Combination::Kind::power, 0, 0};
        } else if (auto button = clickButton(piece)) {
            result.keyCode = *button;
            clicks = true;
        } else if (piece == "plus") {
            result.modifiers |= flag::shift;
            result.keyCode = 24;
            found = true;
        } else if (auto it = keyMap().find(piece); it != keyMap().end()) {
            result.keyCode = it->second;
            found = true;
        } else if (auto n = parseDecimal(piece, true); n && *n >= 1 && *n <= 255) {
            result.keyCode = static_cast<KeyCode>(*n);
            found = true;
        }
    }
    result.kind = clicks  ? Combination::Kind::click
                  : found ? Combination::Kind::press
                          : Combination::Kind::noKey;
    return result;
}

}  // namespace tarsel::KeyMapProcessor
