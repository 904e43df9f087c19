#include "platform/linux/UinputInput.h"

#include <libevdev/libevdev-uinput.h>
#include <libevdev/libevdev.h>
#include <linux/input.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <string>

#include "platform/linux/X11KeyTable.h"

namespace tarsel {
namespace {

// A wheel notch is 120 high-resolution units and stands for this many pixels;
// at most this many notches go out per scroll.
constexpr int32_t kPixelsPerNotch = 10;
constexpr int32_t kUnitsPerNotch = 120;
constexpr int32_t kMaxNotchesPerScroll = 100;

constexpr std::pair<unsigned, int> kModifierKeys[] = {
    {x11keys::ctrl, KEY_LEFTCTRL},
    {x11keys::shift, KEY_LEFTSHIFT},
    {x11keys::alt, KEY_LEFTALT},
    {x11keys::super, KEY_LEFTMETA},
};

int buttonCode(int button) {
    if (button == 0) return BTN_LEFT;
    if (button == 1) return BTN_RIGHT;
    if (button == 2) return BTN_MIDDLE;
    return std::min(BTN_SIDE + (button - 3), BTN_TASK);
}

struct DeviceFree {
    void operator()(libevdev* d) const { libevdev_free(d); }
};
using Device = std::unique_ptr<libevdev, DeviceFree>;

// One uinput device, destroyed with the sink.
class UinputSink : public EventSink {
  public:
    explicit UinputSink(libevdev_uinput* device) : device_(device) {}
    ~UinputSink() override { libevdev_uinput_destroy(device_); }
    void emit(uint16_t type, uint16_t code, int32_t value) override {
        libevdev_uinput_write_event(device_, type, code, value);
    }

  private:
    libevdev_uinput* device_;
};

Device describeKeyboard() {
    Device d(libevdev_new());
    libevdev_set_name(d.get(), "Tarsel virtual keyboard");
    libevdev_enable_event_type(d.get(), EV_KEY);
    for (unsigned code = KEY_ESC; code <= KEY_MICMUTE; ++code)
        libevdev_enable_event_code(d.get(), EV_KEY, code, nullptr);
    return d;
}

Device describePointer() {
    Device d(libevdev_new());
    libevdev_set_name(d.get(), "Tarsel virtual pointer");
    libevdev_enable_property(d.get(), INPUT_PROP_POINTER);
    libevdev_enable_event_type(d.get(), EV_KEY);
    for (unsigned code = BTN_LEFT; code <= BTN_TASK; ++code)
        libevdev_enable_event_code(d.get(), EV_KEY, code, nullptr);
    libevdev_enable_event_type(d.get(), EV_REL);
    for (unsigned code : {REL_X, REL_Y, REL_WHEEL, REL_HWHEEL, REL_WHEEL_HI_RES, REL_HWHEEL_HI_RES})
        libevdev_enable_event_code(d.get(), EV_REL, code, nullptr);
    return d;
}

Result<std::unique_ptr<EventSink>> create(const Device& description) {
    libevdev_set_id_bustype(description.get(), BUS_VIRTUAL);
    libevdev_uinput* device = nullptr;
    const int rc = libevdev_uinput_create_from_device(description.get(),
                                                      LIBEVDEV_UINPUT_OPEN_MANAGED, &device);
    if (rc != 0) return failure(std::string("/dev/uinput: ") + std::strerror(-rc));
    return std::make_unique<UinputSink>(device);
}

}  // namespace

Result<std::unique_ptr<UinputInput>> UinputInput::open() {
    auto keyboard = create(describeKeyboard());
    if (!keyboard) return failure(keyboard.error());
    auto pointer = create(describePointer());
    if (!pointer) return failure(pointer.error());
    return std::make_unique<UinputInput>(std::move(*keyboard), std::move(*pointer));
}

UinputInput::UinputInput(std::unique_ptr<EventSink> keyboard, std::unique_ptr<EventSink> pointer)
    : keyboard_(std::move(keyboard)), pointer_(std::move(pointer)) {}

UinputInput::~UinputInput() {
    std::lock_guard lock(mutex_);
    for (auto& [mac, held] : pressed_) key(held.key, false);
    syncModifiers(0);
}

// Each key change is a frame of its own, as a real keyboard reports it.
void UinputInput::key(int code, bool down) {
    keyboard_->emit(EV_KEY, static_cast<uint16_t>(code), down ? 1 : 0);
    keyboard_->emit(EV_SYN, SYN_REPORT, 0);
}

void UinputInput::syncModifiers(unsigned wanted) {
    for (auto [bit, code] : kModifierKeys) {
        const bool want = (wanted & bit) != 0;
        if (want == ((heldModifiers_ & bit) != 0)) continue;
        key(code, want);
        heldModifiers_ = want ? (heldModifiers_ | bit) : (heldModifiers_ & ~bit);
    }
}

void UinputInput::postKey(uint16_t keyCode, bool down, uint64_t flags) {
    std::lock_guard lock(mutex_);
    std::optional<Held> held;
    auto it = down ? pressed_.end() : pressed_.find(keyCode);
    if (it != pressed_.end()) {
        held = it->second;
        pressed_.erase(it);
    } else if (auto chord = x11keys::translate(keyCode, flags); chord && chord->evdev > 0) {
        held = Held{chord->evdev, chord->modifiers};
    }
    if (!held) return;
    // Every event carries exactly its own modifiers, whatever else is down.
    syncModifiers(held->modifiers);
    key(held->key, down);
    if (down)
        pressed_.emplace(keyCode, *held);
    else if (pressed_.empty())
        syncModifiers(0);
}

void UinputInput::tap(int evdevKey, unsigned modifiers) {
    std::lock_guard lock(mutex_);
    syncModifiers(modifiers);
    key(evdevKey, true);
    key(evdevKey, false);
    if (pressed_.empty()) syncModifiers(0);
}

Point UinputInput::pointerLocation() {
    std::lock_guard lock(mutex_);
    return at_;
}

// Whole pixels only; the fraction stays in `at_` for the next move.
void UinputInput::moveTo(Point location) {
    const int64_t x = std::llround(location.x), y = std::llround(location.y);
    const int64_t dx = x - emittedX_, dy = y - emittedY_;
    at_ = location;
    emittedX_ = x;
    emittedY_ = y;
    if (dx == 0 && dy == 0) return;
    if (dx != 0) pointer_->emit(EV_REL, REL_X, static_cast<int32_t>(dx));
    if (dy != 0) pointer_->emit(EV_REL, REL_Y, static_cast<int32_t>(dy));
    pointer_->emit(EV_SYN, SYN_REPORT, 0);
}

void UinputInput::postMouse(int eventType, Point location, int button, int64_t /*clickState*/,
                            bool /*clearFlags*/) {
    // The desktop derives double clicks from the timing of the clicks themselves.
    std::lock_guard lock(mutex_);
    if (!std::isfinite(location.x) || !std::isfinite(location.y)) return;
    moveTo(location);
    if (!isButtonPress(eventType) && !isButtonRelease(eventType)) return;
    pointer_->emit(EV_KEY, static_cast<uint16_t>(buttonCode(button)),
                   isButtonPress(eventType) ? 1 : 0);
    pointer_->emit(EV_SYN, SYN_REPORT, 0);
}

void UinputInput::postScroll(int32_t pixels) {
    std::lock_guard lock(mutex_);
    const int64_t limit = int64_t{kMaxNotchesPerScroll} * kUnitsPerNotch;
    const auto units = static_cast<int32_t>(
        std::clamp<int64_t>(int64_t{pixels} * kUnitsPerNotch / kPixelsPerNotch, -limit, limit));
    if (units == 0) return;
    if ((units > 0) != (wheelRemainder_ > 0)) wheelRemainder_ = 0;
    wheelRemainder_ += units;
    const int32_t notches = wheelRemainder_ / kUnitsPerNotch;
    wheelRemainder_ %= kUnitsPerNotch;
    // Readers that know high resolution use it; the others count whole notches.
    pointer_->emit(EV_REL, REL_WHEEL_HI_RES, units);
    if (notches != 0) pointer_->emit(EV_REL, REL_WHEEL, notches);
    pointer_->emit(EV_SYN, SYN_REPORT, 0);
}

KeySequence UinputInput::screenshotKeys(bool area) {
    // Print and Shift-Print, as in the X11 backend (mac code 105 is Print).
    if (area) return {{56}, 105};
    return {{}, 105};
}

}  // namespace tarsel
