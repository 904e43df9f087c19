#include <gtest/gtest.h>

#include <tuple>

#include "menubar/StatusBarController.h"

namespace tarsel {
namespace {

int cmp(const std::string& a, const std::string& b) {
    return StatusBarController::compareVersions(a, b);
}

// The documented examples; pieces that are not whole integers count as zero
// and empty pieces are dropped; signs and leading zeros.
TEST(CompareVersions, DocumentedExamplesOddPiecesSignsAndZeros) {
    // clang-format off
    const std::tuple<const char*, const char*, int> cases[] = {
        {"1.0.17", "1.0.16", 1}, {"1.1", "1.0.16", 1}, {"1.0", "1.0.0", 0}, {"1.0.9", "1.0.16", -7},
        {"v2.0", "1.0.16", -1}, {"1..2", "1.2", 0}, {"", "0", 0}, {"1.0.0.1", "1.0", 1},
        {"1.0.16-beta", "1.0.0", 0}, {"1.0. 16", "1.0", 0}, {"1.+", "1.-", 0}, {"1.0x10", "1", 0},
        {".1.", "1", 0}, {"1.+5", "1.5", 0}, {"1.-3", "1.0", -3}, {"-0", "0", 0},
        {"1.007", "1.7", 0}, {"2", "-2", 4},
    };
    // clang-format on
    for (auto [a, b, expected] : cases) EXPECT_EQ(cmp(a, b), expected) << a << " vs " << b;
}

TEST(CompareVersions, AbsurdlyLongNumbersKeepTheirOrderWithoutOverflow) {
    const std::string huge(400, '9');
    EXPECT_GE(cmp("1." + huge, "1.0.16"), 1);
    EXPECT_LT(cmp("1.0.16", "1." + huge), 0);
    EXPECT_EQ(cmp(huge + ".1", huge + ".1"), 0);
    EXPECT_EQ(cmp("000" + huge, huge), 0);
    EXPECT_GE(cmp("1" + huge, "9" + std::string(399, '9')), 1);  // longer is larger
    EXPECT_LT(cmp("-" + huge, "1"), 0);
    EXPECT_GE(cmp(huge, "-" + huge), 1);
    // Differences beyond int stay correct in sign.
    EXPECT_GE(cmp("9223372036854775807", "-9223372036854775807"), 1);
    EXPECT_LT(cmp("-9223372036854775808", "9223372036854775807"), 0);
    EXPECT_GE(cmp("4294967296", "0"), 1);
    EXPECT_LT(cmp("0", "4294967296"), 0);
}

}  // namespace
}  // namespace tarsel
