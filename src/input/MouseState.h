#pragma once
// The mouse queue's state and the arithmetic of moves, clicks and scrolls.
#include <cstdint>

#include "platform/InputEvents.h"

namespace tarsel::KeyMapProcessor {

struct MouseState {
    bool isMouseHeld = false;
    int64_t clickCount = 1;
    double lastClickTime = 0.0;  // seconds since 1970
    Point lastClickLocation{0, 0};
};

// Moves queued one after another, added up; the sum saturates instead of
// overflowing.
struct PointerSum {
    PointerSum(int64_t x, int64_t y) : dx(x), dy(y) {}
    void add(int64_t x, int64_t y);
    int64_t dx;
    int64_t dy;
};

// Counts a left click at `at` and `now` into the series; returns its click state.
int64_t registerLeftClick(MouseState& state, double now, Point at);
// 1.5 px per unit of delta, kept within the signed 32-bit coordinate range.
Point moveTarget(Point from, int64_t dx, int64_t dy);
// Half of dy toward zero, clamped into the signed 32-bit wheel range.
int32_t wheelAmount(int64_t dy);

// CGEventType values.
namespace eventType {
inline constexpr int leftDown = 1, leftUp = 2, rightDown = 3, rightUp = 4, moved = 5,
                     leftDragged = 6, otherDown = 25, otherUp = 26;
}

}  // namespace tarsel::KeyMapProcessor
