// The key table and the combination parser.
#include <gtest/gtest.h>

#include "input/KeyTable.h"

namespace tarsel::KeyMapProcessor {
namespace {

using Kind = Combination::Kind;
constexpr EventFlags cmd = 0x100000, shift = 0x20000, ctrl = 0x40000, opt = 0x80000;

TEST(KeyTable, HasEveryNameOnceWithItsAnsiCode) {
    const auto& map = keyMap();
    EXPECT_EQ(map.size(), 103u);
    const std::pair<const char*, KeyCode> samples[] = {
        {"return", 36}, {"enter", 36}, {"delete", 51}, {"escape", 53}, {"cmd", 55},
        {"alt", 58},    {"fn", 63},    {"mute", 74},   {"help", 114},  {"forward_delete", 117},
        {"up", 126},    {"f1", 122},   {"f11", 103},   {"f17", 64},    {"f20", 90},
        {"a", 0},       {"q", 12},     {"z", 6},       {"y", 16},      {"0", 29},
        {"5", 23},      {"9", 25},     {"\\", 42},     {"`", 50},      {"'", 39},
        {"plus", 24},   {"minus", 27}, {"dash", 27},   {"equal", 24},  {"/", 44},
    };
    for (auto [name, code] : samples) {
        ASSERT_TRUE(map.count(name)) << name;
        EXPECT_EQ(map.at(name), code) << name;
    }
    EXPECT_FALSE(map.count("win"));  // a modifier word only
    EXPECT_FALSE(map.count("power"));
}

TEST(KeyTable, ModifierWords) {
    EXPECT_EQ(modifierFlagForWord("win"), cmd);
    EXPECT_EQ(modifierFlagForWord("option"), opt);
    EXPECT_EQ(modifierFlagForWord("control"), ctrl);
    EXPECT_EQ(modifierFlagForWord("function"), 0x800000u);
    EXPECT_EQ(modifierFlagForWord("capslock"), 0x10000u);
    EXPECT_FALSE(modifierFlagForWord("Shift"));  // callers lower-case first
}

TEST(Combination, ModifiersAccumulateTheLastKeyWinsAndNumbersAreRawCodes) {
    struct Case {
        const char* text;
        Kind kind;
        KeyCode key;
        EventFlags modifiers;
    };
    const Case cases[] = {
        {"Command + Shift + 3", Kind::press, 20, cmd | shift},
        {"a+b", Kind::press, 11, 0},
        {"cmd++c", Kind::press, 8, cmd},                        // the empty piece is dropped
        {"ctrl\t+\u3000opt+esc", Kind::press, 53, ctrl | opt},  // tabs, ideographic spaces
        {"cmd+12", Kind::press, 12, cmd},
        {"cmd+0", Kind::press, 29, cmd},  // the digit key
        {"cmd+255", Kind::press, 255, cmd},
        {"cmd+plus", Kind::press, 24, cmd | shift},
        {"cmd+power+a", Kind::power, 0, 0},
        {"a+POWER", Kind::power, 0, 0},
    };
    for (const Case& c : cases) {
        auto parsed = parseCombination(c.text);
        EXPECT_EQ(parsed.kind, c.kind) << c.text;
        if (c.kind != Kind::press) continue;
        EXPECT_EQ(std::pair(parsed.keyCode, parsed.modifiers), std::pair(c.key, c.modifiers))
            << c.text;
    }
    for (const char* none : {"ctrl+300", "ctrl+-5", "ctrl+00", "ctrl+99999999999999999999",
                             "cmd+shift", "+", "cmd+\n"})  // line breaks are not trimmed
        EXPECT_EQ(parseCombination(none).kind, Kind::noKey) << none;
}

TEST(Decimal, SignsDigitsAndRange) {
    EXPECT_EQ(parseDecimal("12", false), 12);
    EXPECT_EQ(parseDecimal("-5", false), -5);
    EXPECT_EQ(parseDecimal("-9223372036854775808", false), INT64_MIN);
    for (const char* bad : {"+5", "\t12", "1 2", "-", "", "٣", "9223372036854775808"})
        EXPECT_FALSE(parseDecimal(bad, false)) << bad;  // ٣: ASCII digits only
}

}  // namespace
}  // namespace tarsel::KeyMapProcessor
