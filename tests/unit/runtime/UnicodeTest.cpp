// The ASCII fast paths give exactly ICU's answers: a string with one
// non-ASCII character in the middle takes ICU's path, with the same ends.
#include <gtest/gtest.h>

#include <string>

#include "runtime/Unicode.h"

namespace tarsel::unicode {
namespace {

const std::string kWide = "é";  // forces ICU's path

std::string withoutWide(std::string s) {
    return s.erase(s.find(kWide), kWide.size());
}

TEST(Unicode, AsciiFastPathsAgreeWithIcuForEveryAsciiCharacter) {
    for (int i = 0; i < 0x80; ++i) {
        const std::string c(1, static_cast<char>(i));
        const std::string fast = c + "Ab" + c, icu = c + "A" + kWide + "b" + c;
        EXPECT_EQ(toLower(fast), withoutWide(toLower(icu))) << i;
        EXPECT_EQ(trimWhitespaces(fast), withoutWide(trimWhitespaces(icu))) << i;
        EXPECT_EQ(trimWhitespaceAndNewlines(fast), withoutWide(trimWhitespaceAndNewlines(icu)))
            << i;
    }
    EXPECT_EQ(trimWhitespaces(" \tKey\n "), "Key\n");  // line breaks are kept there
    EXPECT_EQ(trimWhitespaceAndNewlines("\r\n\vKey\f "), "Key");
}

}  // namespace
}  // namespace tarsel::unicode
