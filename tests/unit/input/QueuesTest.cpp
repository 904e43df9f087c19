// What the mouse and key queues make of a sequence of actions: click series,
// drags, holds and pauses to the millisecond, and the order of pastes and keys.
#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <utility>

#include "InputTest.h"
#include "LogCapture.h"
#include "input/KeyMap.h"
#include "input/MouseState.h"

namespace tarsel::KeyMapProcessor {
namespace {

using tarsel::testing::fakes;
using tarsel::testing::settle;
using V = std::vector<std::string>;
using Times = std::vector<double>;
constexpr int64_t kMax64 = std::numeric_limits<int64_t>::max();
constexpr int32_t kMax32 = std::numeric_limits<int32_t>::max();
const std::string pasteDown = "down 9+cmd", pasteUp = "up 9+cmd";

TEST(MouseState, ClickSeriesBoundsAreStrictAndAmountsStayInRange) {
    MouseState s;
    EXPECT_EQ(registerLeftClick(s, 100.0, {0, 0}), 1);
    EXPECT_EQ(registerLeftClick(s, 100.25, {10, 0}), 2);
    EXPECT_EQ(registerLeftClick(s, 100.5, {10, 19.5}), 3);
    EXPECT_EQ(registerLeftClick(s, 101.0, {10, 19.5}), 1);   // exactly 0.5 s later
    EXPECT_EQ(registerLeftClick(s, 101.25, {22, 35.5}), 1);  // exactly 20 points away
    EXPECT_EQ(registerLeftClick(s, 101.5, {22, 35.5}), 2);

    Point p = moveTarget({100.25, 50}, 10, -4);
    EXPECT_EQ(std::pair(p.x, p.y), std::pair(115.25, 44.0));
    p = moveTarget({0, 0}, std::numeric_limits<int64_t>::min(), kMax64);
    EXPECT_EQ(std::pair(p.x, p.y), std::pair(-double{kMax32}, double{kMax32}));
    // clang-format off
    const std::pair<int64_t, int32_t> wheel[] = {{3, 1}, {-3, -1}, {1, 0}, {-7, -3},
        {kMax64, kMax32}, {INT64_MIN, INT32_MIN}, {int64_t{1} << 32, kMax32}};
    // clang-format on
    for (auto [pixels, amount] : wheel) EXPECT_EQ(wheelAmount(pixels), amount) << pixels;
}

class Queues : public tarsel::testing::InputTest {
  protected:
    // Click states of the down events, in order.
    V clickStates() {
        V out;
        for (auto& e : effects())
            if (e.rfind("mouse 1 ", 0) == 0 || e.rfind("mouse 3 ", 0) == 0 ||
                e.rfind("mouse 25 ", 0) == 0)
                out.push_back(e.substr(e.find(" c") + 2, 1));
        return out;
    }
    void clickAfter(double seconds, int button = 0) {
        fakes().clock.advance(seconds);
        clickMouse(button);
        settle();
    }
};

TEST_F(Queues, ClicksCountIntoSeriesThatOtherButtonsAndScrollsRestart) {
    for (double after : {0.0, 0.3, 0.3, 0.6}) clickAfter(after);
    clickAfter(0.1, 1);  // right click: state 1, last left click untouched
    clickAfter(0.1);
    scrollMouse(4);
    clickAfter(0.1);
    clickAfter(0.1, 2);
    EXPECT_EQ(clickStates(), (V{"1", "2", "3", "1", "1", "2", "2", "1"}));
    EXPECT_EQ(journal().all().back(), "mouse 26 500,400 b2 c1 clear");  // other-button up
}

TEST_F(Queues, MovesBecomeDragsAndWaitForAClicksHold) {
    moveMouse(10, -4);
    mouseDown();
    moveMouse(10, -4);
    mouseUp();
    moveMouse(-20, 8);
    clickMouse(0);
    moveMouse(2, 2);  // queued behind the click, so it cannot split it
    EXPECT_EQ(effects(),
              (V{"mouse 5 515,394 b0 c0", "mouse 1 515,394 b0 c0", "mouse 6 530,388 b0 c0",
                 "mouse 2 530,388 b0 c0", "mouse 5 500,400 b0 c0", "mouse 1 500,400 b0 c1 clear",
                 "mouse 2 500,400 b0 c1 clear", "mouse 5 503,403 b0 c0"}));
    EXPECT_EQ(journal().times(), (Times{0, 0, 0, 0, 0, 0, 0.02, 0.03}));  // the hold, the pause
}

// A move at an idle queue is carried out at once; moves waiting next to each
// other (here behind a click's hold) become one (the sum at 1.5 px a unit,
// saturating); a click or a scroll between them keeps them apart.
TEST_F(Queues, AdjacentQueuedMovesAddUpButNeverJumpOverAClick) {
    moveMouse(-2, 0);
    EXPECT_EQ(journal().all(), V{"mouse 5 497,400 b0 c0"});  // nothing settled yet
    journal().clear();
    clickMouse(1);
    moveMouse(1, 1);
    moveMouse(2, -3);
    moveMouse(1, 0);
    clickMouse(0);
    moveMouse(2, 2);
    scrollMouse(4);
    moveMouse(kMax64, 0);
    moveMouse(1, 0);
    EXPECT_EQ(effects(), (V{"mouse 3 497,400 b1 c1 clear", "mouse 4 497,400 b1 c1 clear",
                            "mouse 5 503,397 b0 c0", "mouse 1 503,397 b0 c1 clear",
                            "mouse 2 503,397 b0 c1 clear", "mouse 5 506,400 b0 c0", "scroll 2",
                            "mouse 5 2147483647,400 b0 c0"}));
}

TEST_F(Queues, HoldsLastTheirTimeAndThePasteWaitsForTheScreenshot) {
    pressKey(36, 0);
    takeScreenshot("full");
    typeText("x");
    EXPECT_EQ(effects(), (V{"down 36", "down 55", "down 56", "down 20", "up 36", "up 20", "up 56",
                            "up 55", "clipboard x", pasteDown, pasteUp}));
    EXPECT_EQ(journal().times(),
              (Times{0, 0, 0.02, 0.04, 0.05, 0.11, 0.13, 0.15, 0.15, 0.15, 0.2}));
    // A key pressed again while held is let go first, and held its full time.
    journal().clear();
    pressKey(36, 0);
    pressKey(36, 0);
    EXPECT_EQ(effects(), (V{"down 36", "up 36", "down 36", "up 36"}));
    EXPECT_EQ(journal().times(), (Times{0, 0, 0, 0.05}));
    // Only the exact "part" selects an area.
    for (const char* mode : {"part", "", "PART"}) {
        journal().clear();
        takeScreenshot(mode);
        EXPECT_EQ(effects()[2], mode == std::string("part") ? "down 21" : "down 20") << mode;
    }
}

// What an endpoint queues is counted at its time in the shared queues: a
// flood of clicks stops at 3.5 s of holds (116 of 0.03 s), its pastes find no
// room, and a phone's move still gets through.
TEST_F(Queues, AFloodOfClicksAndPastesStandsForAtMostItsShareOfTheQueues) {
    tarsel::testing::LogCapture quiet;
    backlog().runAs("flood:1", [] {
        for (int i = 0; i < 500; ++i) clickMouse(0);
        for (int i = 0; i < 5; ++i) pasteText("x");
    });
    backlog().runAs("phone:1", [] { moveMouse(2, 0); });
    auto all = effects();
    EXPECT_EQ(
        std::count_if(all.begin(), all.end(), [](auto& e) { return e.rfind("mouse 1 ", 0) == 0; }),
        116);
    EXPECT_EQ(std::count(all.begin(), all.end(), "clipboard x"), 0);
    EXPECT_EQ(all.back(), "mouse 5 503,400 b0 c0");
}

TEST_F(Queues, PastesAndKeysKeepTheirOrderAndTypedTextIsOneLogLine) {
    tarsel::testing::LogCapture log;
    pasteText("첫째");
    pasteText("둘째");
    pressKey(36, 0);
    typeText("안녕 👋🏽\n둘째 줄");
    V seen = effects();
    // The Return key's release runs on its own timer, as long as the third
    // paste's hold; only its place after its own press is fixed.
    auto up = std::find(seen.begin(), seen.end(), "up 36");
    ASSERT_NE(up, seen.end());
    EXPECT_LT(std::find(seen.begin(), seen.end(), "down 36"), up);
    seen.erase(up);
    EXPECT_EQ(seen, (V{"clipboard 첫째", pasteDown, pasteUp, "clipboard 둘째", pasteDown, pasteUp,
                       "down 36", "clipboard 안녕 👋🏽\n둘째 줄", pasteDown, pasteUp}));
    EXPECT_EQ(
        log.lines(),
        V{"📝 텍스트 입력: 안녕 👋🏽\\n둘째 줄"});  // "text" requests log nothing
}

TEST_F(Queues, WhereReadsAreSeenTheNextKeyWaitsForTheReadOrItsLimit) {
    auto& clipboard = *fakes().clipboard;
    clipboard.reads = true;
    pasteText("read at once");
    pressKey(36, 0);
    fakes().context.restart();
    fakes().context.poll();         // the paste runs; its limit has not come
    ASSERT_TRUE(clipboard.onRead);  // armed before the chord went out
    std::exchange(clipboard.onRead, nullptr)();
    settle();
    pasteText("never read");
    pressKey(36, 0);
    settle();
    clipboard.reads = false;
    EXPECT_EQ(effects(), (V{"clipboard read at once", pasteDown, pasteUp, "down 36", "up 36",
                            "clipboard never read", pasteDown, pasteUp, "down 36", "up 36"}));
    // A read, then a 0.02 s settle; no read: the 0.5 s limit, then the settle.
    // (The second paste starts at 0.5: settling ran the first one's idle limit.)
    EXPECT_EQ(journal().times(), (Times{0, 0, 0, 0.02, 0.07, 0.5, 0.5, 0.5, 1.02, 1.07}));
}

}  // namespace
}  // namespace tarsel::KeyMapProcessor
