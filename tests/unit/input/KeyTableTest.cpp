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

TEST(Combination, ModifiersAccumulateAndTheLastKeyWins) {
    auto c = parseCombination("Command + Shift + 3");
    EXPECT_EQ(c.kind, Kind::press);
    EXPECT_EQ(c.keyCode, 20);
    EXPECT_EQ(c.modifiers, cmd | shift);

    c = parseCombination("a+b");
    EXPECT_EQ(c.keyCode, 11);
    EXPECT_EQ(c.modifiers, 0u);

    c = parseCombination("cmd++c");  // the empty piece is dropped
    EXPECT_EQ(c.keyCode, 8);
    EXPECT_EQ(c.modifiers, cmd);

    c = parseCombination("ctrl\t+\u3000opt+esc");  // tabs and ideographic spaces trimmed
    EXPECT_EQ(c.keyCode, 53);
    EXPECT_EQ(c.modifiers, ctrl | opt);
}

TEST(Combination, NumbersAreRawCodesFromTwoDigitsAndOnlyFrom1To255) {
    EXPECT_EQ(parseCombination("cmd+12").keyCode, 12);
    EXPECT_EQ(parseCombination("cmd+0").keyCode, 29);  // the digit key
    EXPECT_EQ(parseCombination("cmd+255").keyCode, 255);
    for (const char* none : {"ctrl+300", "ctrl+-5", "ctrl+00", "ctrl+99999999999999999999"})
        EXPECT_EQ(parseCombination(none).kind, Kind::noKey) << none;
}

TEST(Combination, PlusPowerAndKeylessCombinations) {
    auto c = parseCombination("cmd+plus");
    EXPECT_EQ(c.keyCode, 24);
    EXPECT_EQ(c.modifiers, cmd | shift);
    EXPECT_EQ(parseCombination("cmd+power+a").kind, Kind::power);
    EXPECT_EQ(parseCombination("a+POWER").kind, Kind::power);
    EXPECT_EQ(parseCombination("cmd+shift").kind, Kind::noKey);
    EXPECT_EQ(parseCombination("+").kind, Kind::noKey);
    EXPECT_EQ(parseCombination("cmd+\n").kind, Kind::noKey);  // line breaks are not trimmed
}

TEST(Decimal, SignsDigitsAndRange) {
    EXPECT_EQ(parseDecimal("12", false), 12);
    EXPECT_EQ(parseDecimal("-5", false), -5);
    EXPECT_FALSE(parseDecimal("+5", false));
    EXPECT_FALSE(parseDecimal("\t12", false));
    EXPECT_FALSE(parseDecimal("1 2", false));
    EXPECT_FALSE(parseDecimal("-", false));
    EXPECT_FALSE(parseDecimal("", false));
    EXPECT_FALSE(parseDecimal("٣", false));  // Arabic-Indic digit: ASCII digits only
    EXPECT_FALSE(parseDecimal("9223372036854775808", false));
    EXPECT_EQ(parseDecimal("-9223372036854775808", false), INT64_MIN);
}

}  // namespace
}  // namespace tarsel::KeyMapProcessor
