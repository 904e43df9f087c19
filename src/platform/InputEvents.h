#pragma once
// Synthetic keyboard and mouse events in the macOS vocabulary (virtual key
// codes, CGEventFlags masks, CGEventType values); a backend translates them.
#include <cstdint>

namespace tarsel {

struct Point {
    double x = 0;
    double y = 0;
};

class InputEvents {
public:
    virtual ~InputEvents() = default;
    virtual void postKey(uint16_t keyCode, bool down, uint64_t flags) = 0;
    virtual void postMouse(int eventType, Point location, int button, int64_t clickState,
                           bool clearFlags) = 0;
    virtual void postScroll(int32_t pixels) = 0;
    virtual Point pointerLocation() = 0;
};

}  // namespace tarsel
