#pragma once
// Key and pointer events in evdev terms, shared by every path that takes them
// so (uinput, the wlroots virtual devices, KWin's fake input, Mutter's remote
// desktop): keys are positional evdev codes from the shared key table, the
// pointer is relative, so the agent keeps its own idea of where it is.
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>

#include "platform/InputEvents.h"
#include "platform/wayland/LayoutKeys.h"

namespace tarsel {

// Where the events go: a device, a compositor's protocol, or a test's list.
class EventSink {
  public:
    virtual ~EventSink() = default;
    virtual void key(int code, bool down) = 0;  // keys and buttons alike
    // A relative move; whole pixels unless the sink keeps fractions.
    virtual void motion(double dx, double dy) = 0;
    // `units` in 1/120 of a notch (positive: up), `notches` the whole ones.
    virtual void wheel(int32_t units, int32_t notches) = 0;
    // The same sideways (positive: right); where the sink has no sideways wheel, nothing.
    virtual void hwheel(int32_t units, int32_t notches) {
        (void)units;
        (void)notches;
    }
    virtual bool keepsFractions() const { return false; }
    // A smooth scroll in 1/120 of a notch (positive: right, down), reported as
    // a wheel; false where the sink has none, and whole notches go to wheel().
    virtual bool smoothScroll(int32_t right, int32_t down) {
        (void)right;
        (void)down;
        return false;
    }
    // A keyboard that makes its own keymap types any text it can map.
    virtual bool canType(std::u32string_view) const { return false; }
    virtual void type(std::u32string_view) {}
};

class EvdevInput : public InputEvents {
  public:
    EvdevInput(std::unique_ptr<EventSink> keyboard, std::unique_ptr<EventSink> pointer);
    ~EvdevInput() override;  // releases whatever is still held

    void postKey(uint16_t keyCode, bool down, uint64_t flags) override;
    void postMouse(int eventType, Point location, int button, int64_t clickState,
                   bool clearFlags) override;
    void postScroll(int32_t pixels) override;
    void postSmoothScroll(double notchesX, double notchesY) override;
    Point pointerLocation() override;
    void holdModifiers(uint64_t flags) override;
    KeySequence screenshotKeys(bool area) override;
    bool canType(std::u32string_view text) override;
    void typeText(std::u32string_view text) override;

    // The desktop's layout, for a keyboard that presses the desktop's own keys.
    using Layout = std::function<std::shared_ptr<const LayoutKeys>()>;
    void setLayout(Layout layout) { layout_ = std::move(layout); }

    // One press of a key with `modifiers` (desktop actions such as the overview).
    void tap(int evdevKey, unsigned modifiers);

  private:
    struct Held {
        int key;
        unsigned modifiers;
    };
    void syncModifiers(unsigned wanted);
    void moveTo(Point location);
    void typeOnLayout(const LayoutKeys& keys, std::u32string_view text);

    std::unique_ptr<EventSink> keyboard_;
    std::unique_ptr<EventSink> pointer_;
    Layout layout_;
    std::mutex mutex_;
    unsigned heldModifiers_ = 0;
    std::multimap<uint16_t, Held> pressed_;  // our keys that are down, by mac code
    Point at_{0, 0};                         // where we put the pointer, with its fraction
    Point emitted_{0, 0};                    // what the sink was sent so far
    int32_t wheelRemainder_ = 0;             // in 1/120 of a notch
    int32_t hwheelRemainder_ = 0;
};

}  // namespace tarsel
