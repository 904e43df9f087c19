#pragma once
// Key and pointer events through the kernel's uinput: one virtual keyboard and
// one virtual pointer, which every desktop (Wayland or X11) reads like real
// devices. Keys are positional (evdev codes from the shared key table), the
// pointer is relative, so the agent keeps its own idea of where it is.
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>

#include "platform/InputEvents.h"
#include "runtime/Result.h"

namespace tarsel {

// Where a device's events go: the uinput device, or a test's list.
class EventSink {
  public:
    virtual ~EventSink() = default;
    virtual void emit(uint16_t type, uint16_t code, int32_t value) = 0;
};

class UinputInput : public InputEvents {
  public:
    // Null (with the reason in `error`) when the devices cannot be created,
    // typically because /dev/uinput is missing or not writable for this user.
    [[nodiscard]] static Result<std::unique_ptr<UinputInput>> open();
    UinputInput(std::unique_ptr<EventSink> keyboard, std::unique_ptr<EventSink> pointer);
    ~UinputInput() override;  // releases whatever is still held

    void postKey(uint16_t keyCode, bool down, uint64_t flags) override;
    void postMouse(int eventType, Point location, int button, int64_t clickState,
                   bool clearFlags) override;
    void postScroll(int32_t pixels) override;
    Point pointerLocation() override;
    KeySequence screenshotKeys(bool area) override;

    // One press of a key with `modifiers` (desktop actions such as the overview).
    void tap(int evdevKey, unsigned modifiers);

  private:
    struct Held {
        int key;
        unsigned modifiers;
    };
    void key(int code, bool down);
    void syncModifiers(unsigned wanted);
    void moveTo(Point location);

    std::unique_ptr<EventSink> keyboard_;
    std::unique_ptr<EventSink> pointer_;
    std::mutex mutex_;
    unsigned heldModifiers_ = 0;
    std::multimap<uint16_t, Held> pressed_;  // our keys that are down, by mac code
    Point at_{0, 0};                         // where we put the pointer, with its fraction
    int64_t emittedX_ = 0, emittedY_ = 0;    // the whole pixels sent so far
    int32_t wheelRemainder_ = 0;             // in 1/120 of a notch
};

}  // namespace tarsel
