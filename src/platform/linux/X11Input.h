#pragma once
// Key and mouse events through XTest on a connection of our own.
#include <X11/Xlib.h>

#include <chrono>
#include <map>
#include <memory>
#include <mutex>
#include <optional>

#include "platform/InputEvents.h"
#include "platform/linux/X11KeyTable.h"

namespace tarsel {

class X11Input : public InputEvents {
  public:
    // Null when there is no display or it lacks the XTest extension.
    static std::unique_ptr<X11Input> open();
    ~X11Input() override;

    void postKey(uint16_t keyCode, bool down, uint64_t flags) override;
    void postMouse(int eventType, Point location, int button, int64_t clickState,
                   bool clearFlags) override;
    void postScroll(int32_t pixels) override;
    void postSmoothScroll(double notchesX, double notchesY) override;
    Point pointerLocation() override;
    void holdModifiers(uint64_t flags) override;
    KeySequence screenshotKeys(bool area) override;

    // One press of a chord that has no macOS key of its own (desktop actions).
    void tap(KeySym keysym, unsigned modifiers);

  private:
    explicit X11Input(Display* display) : display_(display) {}

    struct Resolved {
        KeyCode keycode = 0;
        bool needsShift = false;
    };
    struct Held {
        KeyCode keycode;
        unsigned modifiers;
    };

    void refreshKeymapIfChanged();
    std::optional<Resolved> resolve(KeySym keysym, int evdev);
    std::optional<Held> chordFor(uint16_t code, uint64_t flags);
    void syncModifiers(unsigned wanted);
    void warp(Point location);
    Point queryPointer();

    Display* display_;
    std::mutex mutex_;
    unsigned heldModifiers_ = 0;
    std::multimap<uint16_t, Held> pressed_;  // our keys that are down, by mac code
    static constexpr std::chrono::milliseconds kReread{50};
    std::optional<Point> fractional_;  // the last target, with its fraction
    std::chrono::steady_clock::time_point lastRead_;
    int warpedX_ = 0, warpedY_ = 0;
    int scrollRemainder_ = 0;
    Point notchRemainder_;  // of smooth scrolls, in notches
};

}  // namespace tarsel
