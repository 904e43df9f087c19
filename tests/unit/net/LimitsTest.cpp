// The lockout of PIN guessers, the budget for wrong PINs, the rate limits on
// replies and the input backlog.
#include <gtest/gtest.h>

#include <algorithm>

#include "LogCapture.h"
#include "net/RateLimiter.h"
#include "net/RequestLines.h"
#include "net/SecurityGuard.h"
#include "runtime/Backlog.h"

namespace tarsel {
namespace {

using V = std::vector<std::string>;

struct GuardTest : ::testing::Test {
    ManualClock clock;
    SecurityGuard guard{clock};
    testing::LogCapture log;

    void fail(const std::string& ip, int times, uint16_t port = 1) {
        for (int i = 0; i < times; ++i) guard.registerFailure({ip, port});
    }
    bool locked(const std::string& ip, uint16_t port = 1) { return guard.isLocked({ip, port}); }
};

TEST_F(GuardTest, TenthFailureWithinWindowLocksForFiveMinutes) {
    fail("10.0.0.1", 9);
    EXPECT_FALSE(locked("10.0.0.1"));
    log.clear();
    fail("10.0.0.1", 1);
    EXPECT_EQ(log.lines(), (V{"⚠️ [Security] IP 10.0.0.1 인증 실패 (10/10)",
                              "⛔️ [Security] IP 10.0.0.1 차단됨 (5분간 접속 불가)"}));
    EXPECT_TRUE(locked("10.0.0.1"));
    EXPECT_FALSE(locked("10.0.0.2"));  // addresses are independent
    clock.advance(299.9);
    EXPECT_TRUE(locked("10.0.0.1"));
    log.clear();
    clock.advance(0.1);  // exactly at the end the lockout is over
    EXPECT_FALSE(locked("10.0.0.1"));
    EXPECT_EQ(log.lines(), V{"🔓 [Security] IP 10.0.0.1 잠금 해제됨"});
    log.clear();
    fail("10.0.0.1", 1);  // starts again from nothing
    EXPECT_EQ(log.lines()[0], "⚠️ [Security] IP 10.0.0.1 인증 실패 (1/10)");
}

TEST_F(GuardTest, FailuresAgeOutAndResetClearsThemButNotALockout) {
    fail("a", 9);
    clock.advance(30.0);  // exactly 30 s old no longer counts
    log.clear();
    fail("a", 1);
    EXPECT_EQ(log.lines(), V{"⚠️ [Security] IP a 인증 실패 (1/10)"});
    fail("b", 9);
    guard.reset({"b", 1});
    log.clear();
    fail("b", 1);
    EXPECT_EQ(log.lines(), V{"⚠️ [Security] IP b 인증 실패 (1/10)"});
    // A reset does not lift a lockout; a jump of the wall clock past its end does.
    fail("c", 10);
    guard.reset({"c", 2});
    EXPECT_TRUE(locked("c"));
    clock.setWall(clock.now() + 300.0);
    EXPECT_FALSE(locked("c"));
}

// The phone's own endpoint keeps working while another port of its address
// collects failures; the address's other endpoints stay locked, and so does
// the phone once its proof is 300 s old, or at once after a wrong PIN of its
// own (forged from its endpoint, say), which then counts like any other.
TEST_F(GuardTest, AnEndpointThatProvedThePinIsNotLockedOutByOthers) {
    guard.reset({"10.0.0.5", 5000});
    EXPECT_EQ(log.lines(), V{"📱 [Security] 새 기기가 PIN을 확인했습니다: 10.0.0.5:5000"});
    guard.reset({"10.0.0.5", 5000});  // the same endpoint again: no line
    EXPECT_EQ(log.lines().size(), 1u);
    clock.advance(100);
    fail("10.0.0.5", 10, 6000);
    EXPECT_TRUE(locked("10.0.0.5", 6000));
    EXPECT_FALSE(locked("10.0.0.5", 5000));
    clock.advance(199.9);
    EXPECT_FALSE(locked("10.0.0.5", 5000));
    clock.advance(0.1);
    EXPECT_TRUE(locked("10.0.0.5", 5000));

    guard.reset({"10.0.0.6", 5000});
    fail("10.0.0.6", 10, 6000);
    fail("10.0.0.6", 1, 5000);
    EXPECT_TRUE(locked("10.0.0.6", 5000));
    guard.reset({"10.0.0.7", 5000});
    guard.revoke({"10.0.0.7", 5000});
    fail("10.0.0.7", 10, 6000);
    EXPECT_TRUE(locked("10.0.0.7", 5000));
}

// Thirty wrong PINs at once, then three a second from everyone together;
// past that only proven endpoints are compared, and only until one of them
// sends a wrong PIN. The refusals are one line per ten seconds.
TEST_F(GuardTest, WrongPinsFromEveryoneShareOneBudget) {
    guard.reset({"phone", 1});
    int admitted = 0;
    for (int i = 0; i < 100; ++i)
        if (guard.admits({"ip" + std::to_string(i), 1}))
            ++admitted, fail("ip" + std::to_string(i), 1);
    EXPECT_EQ(admitted, 30);
    EXPECT_TRUE(guard.admits({"phone", 1}));
    fail("phone", 1);  // a forged wrong PIN from the phone's endpoint
    EXPECT_FALSE(guard.admits({"phone", 1}));
    clock.advance(1.0);
    admitted = 0;
    for (int i = 0; i < 100; ++i)
        if (guard.admits({"x" + std::to_string(i), 1})) ++admitted, fail("x", 1);
    EXPECT_EQ(admitted, 3);
    auto lines = log.lines();
    auto refusals = std::count_if(lines.begin(), lines.end(), [](auto& l) {
        return l.rfind("⛔️ [Security] 잘못된 PIN이 너무 많아", 0) == 0;
    });
    EXPECT_EQ(refusals, 1);
}

// Strangers share about one of the largest datagrams a second for parsing
// (two at once); a proven endpoint is exempt until it sends a wrong PIN.
TEST_F(GuardTest, ParseWorkOfStrangersHasOneBudget) {
    guard.reset({"phone", 1});
    EXPECT_TRUE(guard.admitsParse({"a", 1}, 65536));
    EXPECT_TRUE(guard.admitsParse({"b", 1}, 65536));
    EXPECT_FALSE(guard.admitsParse({"c", 1}, 100));
    EXPECT_TRUE(guard.admitsParse({"phone", 1}, 65536));
    fail("phone", 1);
    EXPECT_FALSE(guard.admitsParse({"phone", 1}, 100));
    clock.advance(1.0);
    EXPECT_TRUE(guard.admitsParse({"c", 1}, 65536));
    EXPECT_FALSE(guard.admitsParse({"c", 1}, 100));
}

// Lines caused by requests: 20 a second per endpoint, 100 in total (200 at
// once); the rest are counted in a line every ten seconds, which no endpoint
// pays for. The agent's own lines always pass.
TEST(RequestLines, LinesFromRequestsAreBoundedPerEndpointAndInTotal) {
    testing::LogCapture log;
    ManualClock clock;
    RequestLines lines(clock);
    Logger::instance().setGate([&](const std::string& origin) { return lines.allow(origin); });
    auto from = [](const char* ip, uint16_t port, int n) {
        for (int i = 0; i < n; ++i) {
            LogOrigin origin(ip, port);
            logLine(ip);
        }
    };
    from("phone", 1, 50);
    for (uint16_t port = 1; port <= 30; ++port) from("flood", port, 10);
    logLine("own");
    clock.advance(10.0);
    from("phone", 1, 30);
    Logger::instance().setGate({});
    auto all = log.lines();
    auto count = [&](const std::string& l) { return std::count(all.begin(), all.end(), l); };
    EXPECT_EQ(count("phone"), 40);
    EXPECT_EQ(count("flood"), 180);
    EXPECT_EQ(count("own"), 1);
    const std::string dropped = "⚠️ 요청이 남긴 로그가 너무 많아 생략한 줄: ";
    EXPECT_EQ(count(dropped + "1개"), 1);
    EXPECT_EQ(count(dropped + "150개"), 1);
}

TEST(GuardBounds, SpoofedFloodsStayWithinCapacityAndAgeOut) {
    testing::LogCapture quiet;
    ManualClock clock;
    SecurityGuard guard(clock, 64);
    for (int i = 0; i < 1000; ++i) guard.registerFailure({"ip" + std::to_string(i), 1});
    EXPECT_LE(guard.trackedAddresses(), 64u);
    // A locked address is kept while counting ones make room.
    for (int i = 0; i < 10; ++i) guard.registerFailure({"attacker", 1});
    for (int i = 0; i < 200; ++i) guard.registerFailure({"more" + std::to_string(i), 1});
    EXPECT_TRUE(guard.isLocked({"attacker", 1}));
    clock.advance(301);
    guard.sweep();
    // The ended lockout waits for its address's next check, which logs the unlock once.
    quiet.clear();
    EXPECT_FALSE(guard.isLocked({"attacker", 1}));
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

// A full table forgets the address heard from least recently, so a newcomer
// (a phone after a scan flood) is always served.
TEST(RateLimiter, AFullTableMakesRoomForANewcomer) {
    ManualClock clock;
    RateLimiter limiter(clock, {1.0, 1.0, 1e9, 1e9, 8});
    for (int i = 0; i < 8; ++i) EXPECT_TRUE(limiter.allow("ip" + std::to_string(i)));
    EXPECT_FALSE(limiter.allow("ip0"));  // remembered: its burst is spent
    EXPECT_TRUE(limiter.allow("newcomer"));
    EXPECT_FALSE(limiter.allow("ip0"));  // heard from last, so kept
    EXPECT_TRUE(limiter.allow("ip1"));   // the oldest went: a fresh bucket
}

// Per endpoint: 40 items and 64 KiB of text; 1 MiB of text in all. Tickets
// given back make room again.
TEST(Backlog, BoundsPerEndpointAndInTotal) {
    testing::LogCapture log;
    ManualClock clock;
    Backlog backlog(clock);
    std::vector<Backlog::Ticket> held;
    for (int i = 0; i < 40; ++i) held.push_back(*backlog.admit("a:1", 0));
    EXPECT_FALSE(backlog.admit("a:1", 0));
    backlog.runAs(held[0], [&] { held.push_back(*backlog.claim(0, 0.0)); });
    EXPECT_EQ(backlog.itemsOf("a:1"), 41u);  // what a command queues counts too
    held.erase(held.begin(), held.begin() + 2);
    EXPECT_TRUE(backlog.admit("a:1", 0));  // the ticket is dropped again at once
    EXPECT_FALSE(backlog.admit("b:1", 64 * 1024 + 1));
    for (int i = 0; i < 16; ++i)
        held.push_back(*backlog.admit("c:" + std::to_string(i), 64 * 1024));
    EXPECT_FALSE(backlog.admit("d:1", 1));  // 1 MiB in all
    held.clear();
    EXPECT_EQ(backlog.itemsOf("a:1"), 0u);
    EXPECT_TRUE(backlog.admit("d:1", 64 * 1024));
    EXPECT_EQ(log.lines(), V{"⚠️ [Input] 입력 대기열이 가득 차 버린 명령: 1개"});
}

// The input queues are shared: the items of all endpoints together stand for
// at most 4.5 s, so what is admitted is carried out within 5 s. An endpoint
// with four or more waiting stops at 3.5 s; the last second is for those with
// fewer (a phone's key during another's flood). Zero-length items are bounded
// in number.
TEST(Backlog, ItemsOfAllEndpointsStandForAtMostFiveSeconds) {
    testing::LogCapture log;
    ManualClock clock;
    Backlog backlog(clock);
    std::vector<Backlog::Ticket> held;
    auto claims = [&](const std::string& origin, double seconds, int n) {
        int admitted = 0;
        backlog.runAs(origin, [&] {
            for (int i = 0; i < n; ++i)
                if (auto t = backlog.claim(0, seconds)) held.push_back(*t), ++admitted;
        });
        return admitted;
    };
    EXPECT_EQ(claims("flood:1", 0.5, 100), 7);  // 3.5 s
    EXPECT_EQ(claims("phone:1", 0.05, 1), 1);
    EXPECT_EQ(claims("phone:1", 0.5, 1), 1);
    int thin = 0;
    for (int e = 0; e < 20; ++e) thin += claims("thin:" + std::to_string(e), 0.03, 4);
    EXPECT_EQ(thin, 15);                       // the rest of the 4.5 s: 0.45 / 0.03
    EXPECT_EQ(claims("phone:1", 0.05, 1), 0);  // a spread flood can fill even that
    held.clear();
    EXPECT_EQ(claims("flood:1", 0.0, 3000), 2048 - 256);
    EXPECT_EQ(claims("phone:1", 0.0, 1), 1);
    EXPECT_EQ(log.lines(), V{"⚠️ [Input] 입력 대기열이 가득 차 버린 명령: 1개"});
}

}  // namespace
}  // namespace tarsel
