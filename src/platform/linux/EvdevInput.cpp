#include "platform/linux/EvdevInput.h"

#include <linux/input-event-codes.h>

#include <algorithm>
#include <cmath>

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

}  // namespace

EvdevInput::EvdevInput(std::unique_ptr<EventSink> keyboard, std::unique_ptr<EventSink> pointer)
    : keyboard_(std::move(keyboard)), pointer_(std::move(pointer)) {}

EvdevInput::~EvdevInput() {
    std::lock_guard lock(mutex_);
    for (auto& [mac, held] : pressed_) keyboard_->key(held.key, false);
    syncModifiers(0);
}

void EvdevInput::syncModifiers(unsigned wanted) {
    for (auto [bit, code] : kModifierKeys) {
        const bool want = (wanted & bit) != 0;
        if (want == ((heldModifiers_ & bit) != 0)) continue;
        keyboard_->key(code, want);
        heldModifiers_ = want ? (heldModifiers_ | bit) : (heldModifiers_ & ~bit);
    }
}

void EvdevInput::holdModifiers(uint64_t flags) {
    std::lock_guard lock(mutex_);
    syncModifiers(x11keys::modifiersFor(flags));
}

void EvdevInput::postKey(uint16_t keyCode, bool down, uint64_t flags) {
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
    keyboard_->key(held->key, down);
    if (down)
        pressed_.emplace(keyCode, *held);
    else if (pressed_.empty())
        syncModifiers(0);
}

void EvdevInput::tap(int evdevKey, unsigned modifiers) {
    std::lock_guard lock(mutex_);
    syncModifiers(modifiers);
    keyboard_->key(evdevKey, true);
    keyboard_->key(evdevKey, false);
    if (pressed_.empty()) syncModifiers(0);
}

Point EvdevInput::pointerLocation() {
    std::lock_guard lock(mutex_);
    return at_;
}

// Whole pixels to a sink that rounds, the fraction staying in `at_` for the
// next move; the exact delta to one that keeps fractions.
void EvdevInput::moveTo(Point location) {
    Point to = location;
    if (!pointer_->keepsFractions()) to = {std::round(location.x), std::round(location.y)};
    const double dx = to.x - emitted_.x, dy = to.y - emitted_.y;
    at_ = location;
    emitted_ = to;
    if (dx != 0 || dy != 0) pointer_->motion(dx, dy);
}

void EvdevInput::postMouse(int eventType, Point location, int button, int64_t /*clickState*/,
                           bool /*clearFlags*/) {
    // The desktop derives double clicks from the timing of the clicks themselves.
    std::lock_guard lock(mutex_);
    if (!std::isfinite(location.x) || !std::isfinite(location.y)) return;
    moveTo(location);
    if (!isButtonPress(eventType) && !isButtonRelease(eventType)) return;
    pointer_->key(buttonCode(button), isButtonPress(eventType));
}

namespace {

// The whole notches `units` complete, the rest kept in `remainder` until a
// scroll the other way.
int32_t addUpNotches(int32_t units, int32_t& remainder) {
    if ((units > 0) != (remainder > 0)) remainder = 0;
    remainder += units;
    const int32_t notches = remainder / kUnitsPerNotch;
    remainder %= kUnitsPerNotch;
    return notches;
}

}  // namespace

void EvdevInput::postScroll(int32_t pixels) {
    std::lock_guard lock(mutex_);
    const int64_t limit = int64_t{kMaxNotchesPerScroll} * kUnitsPerNotch;
    const auto units = static_cast<int32_t>(
        std::clamp<int64_t>(int64_t{pixels} * kUnitsPerNotch / kPixelsPerNotch, -limit, limit));
    if (units == 0) return;
    pointer_->wheel(units, addUpNotches(units, wheelRemainder_));
}

// The sinks' wheel counts upwards; a smooth scroll's `y` downwards.
void EvdevInput::postSmoothScroll(double notchesX, double notchesY) {
    std::lock_guard lock(mutex_);
    const auto units = [](double notches) {
        return static_cast<int32_t>(std::lround(notches * kUnitsPerNotch));
    };
    if (pointer_->smoothScroll(units(notchesX), units(notchesY))) return;
    if (const int32_t up = units(-notchesY); up != 0)
        pointer_->wheel(up, addUpNotches(up, wheelRemainder_));
    if (const int32_t right = units(notchesX); right != 0)
        pointer_->hwheel(right, addUpNotches(right, hwheelRemainder_));
}

bool EvdevInput::canType(std::u32string_view text) {
    if (keyboard_->canType(text)) return true;
    const auto keys = layout_ ? layout_() : nullptr;
    return keys && std::all_of(text.begin(), text.end(), [&](char32_t c) { return keys->find(c); });
}

// Typed with no modifier of ours down, so a held Control cannot turn letters
// into shortcuts.
void EvdevInput::typeText(std::u32string_view text) {
    std::lock_guard lock(mutex_);
    syncModifiers(0);
    if (keyboard_->canType(text)) {
        keyboard_->type(text);
    } else if (const auto keys = layout_ ? layout_() : nullptr) {
        typeOnLayout(*keys, text);
    }
}

// Shift and AltGr change only where the next character needs another level.
void EvdevInput::typeOnLayout(const LayoutKeys& keys, std::u32string_view text) {
    bool shift = false, level3 = false;
    auto hold = [this](int code, bool& held, bool want) {
        if (held != want) keyboard_->key(code, held = want);
    };
    for (char32_t c : text) {
        const auto key = keys.find(c);
        if (!key) continue;
        hold(KEY_LEFTSHIFT, shift, key->shift);
        hold(keys.level3Key(), level3, key->level3);
        keyboard_->key(key->evdev, true);
        keyboard_->key(key->evdev, false);
    }
    hold(KEY_LEFTSHIFT, shift, false);
    hold(keys.level3Key(), level3, false);
}

KeySequence EvdevInput::screenshotKeys(bool area) {
    // Print and Shift-Print, as in the X11 backend (mac code 105 is Print).
    if (area) return {{56}, 105};
    return {{}, 105};
}

}  // namespace tarsel
