#pragma once
// Synthetic keyboard and mouse events in the macOS vocabulary (virtual key
// codes, CGEventFlags masks, CGEventType values); a backend translates them.
#include <cstdint>
#include <string_view>
#include <vector>

namespace tarsel {

struct Point {
    double x = 0;
    double y = 0;
};

// Keys pressed around one key, in press order (released in reverse).
struct KeySequence {
    std::vector<uint16_t> modifierKeys;
    uint16_t key = 0;
};

// Mouse event types that press or release a button: left, right, other.
inline bool isButtonPress(int eventType) {
    return eventType == 1 || eventType == 3 || eventType == 25;
}
inline bool isButtonRelease(int eventType) {
    return eventType == 2 || eventType == 4 || eventType == 26;
}

class InputEvents {
  public:
    virtual ~InputEvents() = default;
    // `flags` are exactly the modifiers the event carries.
    virtual void postKey(uint16_t keyCode, bool down, uint64_t flags) = 0;
    // `clickState` 0 means "not set"; `clearFlags` clears the modifier flags.
    virtual void postMouse(int eventType, Point location, int button, int64_t clickState,
                           bool clearFlags) = 0;
    virtual void postScroll(int32_t pixels) = 0;  // positive scrolls up
    // Wheel notches on both axes (positive: right, down); fractions are kept,
    // scrolled smoothly where the desktop can, else added up to whole notches.
    virtual void postSmoothScroll(double notchesX, double notchesY) = 0;
    virtual Point pointerLocation() = 0;
    // Holds exactly the modifiers of `flags` (0 releases them) for the pointer
    // events that follow: a click with Control or Super held.
    virtual void holdModifiers(uint64_t flags) { (void)flags; }
    // The platform's screenshot chord: whole screen, or an area selection.
    // macOS: Command-Shift-3 and Command-Shift-4.
    virtual KeySequence screenshotKeys(bool area) {
        return {{55, 56}, area ? uint16_t{21} : uint16_t{20}};
    }
    // Text as key presses, where this path can type every character of it:
    // terminals and windows alike take them, in order with the keys around
    // them, and the clipboard stays the user's. Other text is pasted.
    virtual bool canType(std::u32string_view text) {
        (void)text;
        return false;
    }
    virtual void typeText(std::u32string_view text) { (void)text; }
};

}  // namespace tarsel
