// The lockout of PIN guessers and the rate limits on replies.
#include <gtest/gtest.h>

#include "LogCapture.h"
#include "net/RateLimiter.h"
#include "net/SecurityGuard.h"

namespace tarsel {
namespace {

using V = std::vector<std::string>;

struct GuardTest : ::testing::Test {
    ManualClock clock;
    SecurityGuard guard{clock};
    testing::LogCapture log;

    void fail(const std::string& ip, int times) {
        for (int i = 0; i < times; ++i) guard.registerFailure(ip);
    }
};

TEST_F(GuardTest, TenthFailureWithinWindowLocksForFiveMinutes) {
    fail("10.0.0.1", 9);
    EXPECT_FALSE(guard.isLocked("10.0.0.1"));
    log.clear();
    guard.registerFailure("10.0.0.1");
    EXPECT_EQ(log.lines(), (V{"⚠️ [Security] IP 10.0.0.1 인증 실패 (10/10)",
                              "⛔️ [Security] IP 10.0.0.1 차단됨 (5분간 접속 불가)"}));
    EXPECT_TRUE(guard.isLocked("10.0.0.1"));
    EXPECT_FALSE(guard.isLocked("10.0.0.2"));  // addresses are independent
    clock.advance(299.9);
    EXPECT_TRUE(guard.isLocked("10.0.0.1"));
    log.clear();
    clock.advance(0.1);  // exactly at the end the lockout is over
    EXPECT_FALSE(guard.isLocked("10.0.0.1"));
    EXPECT_EQ(log.lines(), V{"🔓 [Security] IP 10.0.0.1 잠금 해제됨"});
    log.clear();
    guard.registerFailure("10.0.0.1");  // starts again from nothing
    EXPECT_EQ(log.lines()[0], "⚠️ [Security] IP 10.0.0.1 인증 실패 (1/10)");
}

TEST_F(GuardTest, FailuresAgeOutAndResetClearsThemButNotALockout) {
    fail("a", 9);
    clock.advance(30.0);  // exactly 30 s old no longer counts
    log.clear();
    guard.registerFailure("a");
    EXPECT_EQ(log.lines(), V{"⚠️ [Security] IP a 인증 실패 (1/10)"});
    fail("b", 9);
    guard.reset("b");
    log.clear();
    guard.registerFailure("b");
    EXPECT_EQ(log.lines(), V{"⚠️ [Security] IP b 인증 실패 (1/10)"});
    // A reset does not lift a lockout; a jump of the wall clock past its end does.
    fail("c", 10);
    guard.reset("c");
    EXPECT_TRUE(guard.isLocked("c"));
    clock.setWall(clock.now() + 300.0);
    EXPECT_FALSE(guard.isLocked("c"));
}

TEST(GuardBounds, SpoofedFloodsStayWithinCapacityAndAgeOut) {
    testing::LogCapture quiet;
    ManualClock clock;
    SecurityGuard guard(clock, 64);
    for (int i = 0; i < 1000; ++i) guard.registerFailure("ip" + std::to_string(i));
    EXPECT_LE(guard.trackedAddresses(), 64u);
    // A locked address is kept while counting ones make room.
    for (int i = 0; i < 10; ++i) guard.registerFailure("attacker");
    for (int i = 0; i < 200; ++i) guard.registerFailure("more" + std::to_string(i));
    EXPECT_TRUE(guard.isLocked("attacker"));
    clock.advance(301);
    guard.sweep();
    // The ended lockout waits for its address's next check, which logs the unlock once.
    quiet.clear();
    EXPECT_FALSE(guard.isLocked("attacker"));
    EXPECT_EQ(quiet.lines(), V{"🔓 [Security] IP attacker 잠금 해제됨"});
    EXPECT_EQ(guard.trackedAddresses(), 0u);
}

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
