#include <gtest/gtest.h>

#include "net/RateLimiter.h"

namespace tarsel {
namespace {

int allowed(RateLimiter& l, const std::string& ip, int tries) {
    int n = 0;
    for (int i = 0; i < tries; ++i) n += l.allow(ip);
    return n;
}

TEST(RateLimiter, BurstThenSustainedRatePerAddressAndInTotal) {
    ManualClock clock;
    RateLimiter limiter(clock, {5.0, 10.0, 20.0, 30.0, 8});
    EXPECT_EQ(allowed(limiter, "a", 100), 10);  // the burst
    clock.advance(1.0);
    EXPECT_EQ(allowed(limiter, "a", 100), 5);   // then the sustained rate
    EXPECT_EQ(allowed(limiter, "b", 100), 10);  // other addresses have their own
    EXPECT_EQ(allowed(limiter, "c", 100), 10);
    EXPECT_EQ(allowed(limiter, "d", 100), 5);  // the total (30, refilled) runs out
    EXPECT_EQ(allowed(limiter, "e", 1), 0);
}

TEST(RateLimiter, ManyAddressesStayBoundedAndRecover) {
    ManualClock clock;
    RateLimiter limiter(clock, {5.0, 10.0, 1e9, 1e9, 8});
    for (int i = 0; i < 8; ++i) EXPECT_TRUE(limiter.allow("ip" + std::to_string(i)));
    EXPECT_FALSE(limiter.allow("newcomer"));  // table full of fresh buckets
    clock.advance(2.0);                       // refilled buckets are forgotten
    EXPECT_TRUE(limiter.allow("newcomer"));
}

}  // namespace
}  // namespace tarsel
