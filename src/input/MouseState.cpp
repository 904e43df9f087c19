#include "input/MouseState.h"

#include <cmath>
#include <limits>

namespace tarsel::KeyMapProcessor {

int64_t registerLeftClick(MouseState& state, double now, Point at) {
    const double distance =
        std::hypot(at.x - state.lastClickLocation.x, at.y - state.lastClickLocation.y);
    const bool continues = now - state.lastClickTime < 0.5 && distance < 20.0;
    state.clickCount = continues ? state.clickCount + 1 : 1;
    state.lastClickTime = now;
    state.lastClickLocation = at;
    return state.clickCount;
}

namespace {
int64_t saturatingAdd(int64_t a, int64_t b) {
    int64_t sum = 0;
    if (!__builtin_add_overflow(a, b, &sum)) return sum;
    return b > 0 ? std::numeric_limits<int64_t>::max() : std::numeric_limits<int64_t>::min();
}
}  // namespace

void PointerSum::add(int64_t x, int64_t y) {
    dx = saturatingAdd(dx, x);
    dy = saturatingAdd(dy, y);
}

namespace {
// No screen is wider than this; beyond it platforms overflow their coordinates.
double clampCoordinate(double value) {
    constexpr double limit = std::numeric_limits<int32_t>::max();
    return value < -limit ? -limit : (value > limit ? limit : value);
}
}  // namespace

Point moveTarget(Point from, int64_t dx, int64_t dy) {
    return {clampCoordinate(from.x + 1.5 * static_cast<double>(dx)),
            clampCoordinate(from.y + 1.5 * static_cast<double>(dy))};
}

int32_t wheelAmount(int64_t dy) {
    const int64_t half = dy / 2;  // C++ division truncates toward zero
    constexpr int64_t lo = std::numeric_limits<int32_t>::min();
    constexpr int64_t hi = std::numeric_limits<int32_t>::max();
    return static_cast<int32_t>(half < lo ? lo : (half > hi ? hi : half));
}

}  // namespace tarsel::KeyMapProcessor
