// Multi-click detection, drags and scroll amounts on the mouse queue.
#include <gtest/gtest.h>

#include <limits>

#include "InputTest.h"
#include "input/KeyMap.h"
#include "input/MouseState.h"

namespace tarsel::KeyMapProcessor {
namespace {

using tarsel::testing::fakes;
using tarsel::testing::InputTest;
using V = std::vector<std::string>;

TEST(ClickSeries, TimeAndDistanceAreStrictBounds) {
    MouseState s;
    EXPECT_EQ(registerLeftClick(s, 100.0, {0, 0}), 1);
    EXPECT_EQ(registerLeftClick(s, 100.25, {10, 0}), 2);
    EXPECT_EQ(registerLeftClick(s, 100.5, {10, 19.5}), 3);
    EXPECT_EQ(registerLeftClick(s, 101.0, {10, 19.5}), 1);   // exactly 0.5 s later
    EXPECT_EQ(registerLeftClick(s, 101.25, {22, 35.5}), 1);  // exactly 20 points away
    EXPECT_EQ(registerLeftClick(s, 101.5, {22, 35.5}), 2);
    EXPECT_EQ(s.lastClickLocation.x, 22);
}

TEST(MouseArithmetic, MovesScaleAndWheelAmountsHalveTowardZero) {
    Point p = moveTarget({100.25, 50}, 10, -4);
    EXPECT_DOUBLE_EQ(p.x, 115.25);
    EXPECT_DOUBLE_EQ(p.y, 44);
    p = moveTarget({0, 0}, std::numeric_limits<int64_t>::min(),
                   std::numeric_limits<int64_t>::max());
    EXPECT_EQ(p.x, -double{std::numeric_limits<int32_t>::max()});
    EXPECT_EQ(p.y, double{std::numeric_limits<int32_t>::max()});
    EXPECT_EQ(wheelAmount(3), 1);
    EXPECT_EQ(wheelAmount(-3), -1);
    EXPECT_EQ(wheelAmount(1), 0);
    EXPECT_EQ(wheelAmount(-7), -3);
    EXPECT_EQ(wheelAmount(std::numeric_limits<int64_t>::max()),
              std::numeric_limits<int32_t>::max());
    EXPECT_EQ(wheelAmount(std::numeric_limits<int64_t>::min()),
              std::numeric_limits<int32_t>::min());
    EXPECT_EQ(wheelAmount(int64_t{1} << 32), std::numeric_limits<int32_t>::max());
}

class Mouse : public InputTest {
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
        tarsel::testing::settle();
    }
};

TEST_F(Mouse, ClicksCountIntoSeriesOnTheQueue) {
    clickAfter(0);
    clickAfter(0.3);
    clickAfter(0.3);
    clickAfter(0.6);
    EXPECT_EQ(clickStates(), (V{"1", "2", "3", "1"}));
}

TEST_F(Mouse, OtherButtonsAndScrollsRestartTheCount) {
    clickAfter(0);
    clickAfter(0.1, 1);  // right click: state 1, last left click untouched
    clickAfter(0.1);
    clickAfter(0.1);
    scrollMouse(4);
    clickAfter(0.1);
    clickAfter(0.1, 2);
    EXPECT_EQ(clickStates(), (V{"1", "1", "2", "3", "2", "1"}));
    auto all = journal().all();
    EXPECT_EQ(all.back(), "mouse 26 500,400 b2 c1 clear");  // other-button up
}

TEST_F(Mouse, MovesBecomeDragsWhileTheButtonIsHeld) {
    moveMouse(10, -4);
    mouseDown();
    moveMouse(10, -4);
    mouseUp();
    moveMouse(-20, 8);
    EXPECT_EQ(effects(),
              (V{"mouse 5 515,394 b0 c0", "mouse 1 515,394 b0 c0", "mouse 6 530,388 b0 c0",
                 "mouse 2 530,388 b0 c0", "mouse 5 500,400 b0 c0"}));
}

TEST_F(Mouse, ClickUpIsPostedWhereThePointerIsThen) {
    clickMouse(0);
    moveMouse(2, 2);  // queued behind the click, so it cannot split it
    EXPECT_EQ(effects(), (V{"mouse 1 500,400 b0 c1 clear", "mouse 2 500,400 b0 c1 clear",
                            "mouse 5 503,403 b0 c0"}));
    EXPECT_EQ(journal().times(), (std::vector<double>{0, 0.02, 0.03}));  // the hold, the pause
}

}  // namespace
}  // namespace tarsel::KeyMapProcessor
