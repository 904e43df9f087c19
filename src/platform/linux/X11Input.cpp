#include "platform/linux/X11Input.h"

#include <X11/XKBlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace tarsel {
namespace {

// Pixel-unit scrolls become wheel clicks of this many pixels; the remainder
// carries over to the next scroll in the same direction.
constexpr int kPixelsPerWheelClick = 10;
constexpr int kMaxWheelClicksPerScroll = 100;

constexpr std::pair<unsigned, KeySym> kModifierKeys[] = {
    {x11keys::ctrl, XK_Control_L},
    {x11keys::shift, XK_Shift_L},
    {x11keys::alt, XK_Alt_L},
    {x11keys::super, XK_Super_L},
};

// X buttons: 1 left, 2 middle, 3 right, 8 and 9 the side buttons.
unsigned xButton(int button) {
    if (button == 0) return 1;
    if (button == 1) return 3;
    if (button == 2) return 2;
    return static_cast<unsigned>(button) + 5;
}

}  // namespace

std::unique_ptr<X11Input> X11Input::open() {
    Display* display = XOpenDisplay(nullptr);
    if (!display) return nullptr;
    int event = 0, error = 0, major = 0, minor = 0;
    if (!XTestQueryExtension(display, &event, &error, &major, &minor)) {
        XCloseDisplay(display);
        return nullptr;
    }
    XTestGrabControl(display, True);  // keep working while another client grabs the server
    return std::unique_ptr<X11Input>(new X11Input(display));
}

X11Input::~X11Input() {
    std::lock_guard lock(mutex_);
    syncModifiers(0);
    XCloseDisplay(display_);
}

void X11Input::refreshKeymapIfChanged() {
    // The server announces layout changes with MappingNotify to every client.
    while (XPending(display_) > 0) {
        XEvent ev;
        XNextEvent(display_, &ev);
        if (ev.type == MappingNotify) XRefreshKeyboardMapping(&ev.xmapping);
    }
}

std::optional<X11Input::Resolved> X11Input::resolve(KeySym keysym, int evdev) {
    KeyCode code = XKeysymToKeycode(display_, keysym);
    if (code != 0) {
        bool shifted = XkbKeycodeToKeysym(display_, code, 0, 0) != keysym &&
                       XkbKeycodeToKeysym(display_, code, 0, 1) == keysym;
        return Resolved{code, shifted};
    }
    // Not on the current layout: press the key at the same place.
    int minCode = 0, maxCode = 0;
    XDisplayKeycodes(display_, &minCode, &maxCode);
    const int positional = evdev + 8;
    if (evdev > 0 && positional >= minCode && positional <= maxCode)
        return Resolved{static_cast<KeyCode>(positional), false};
    return std::nullopt;
}

std::optional<X11Input::Held> X11Input::chordFor(uint16_t code, uint64_t flags) {
    auto chord = x11keys::translate(code, flags);
    if (!chord) return std::nullopt;
    auto key = resolve(chord->keysym, chord->evdev);
    if (!key) return std::nullopt;
    return Held{key->keycode, chord->modifiers | (key->needsShift ? x11keys::shift : 0u)};
}

void X11Input::syncModifiers(unsigned wanted) {
    for (auto [bit, keysym] : kModifierKeys) {
        const bool want = (wanted & bit) != 0;
        if (want == ((heldModifiers_ & bit) != 0)) continue;
        KeyCode code = XKeysymToKeycode(display_, keysym);
        if (code != 0) XTestFakeKeyEvent(display_, code, want ? True : False, CurrentTime);
        heldModifiers_ = want ? (heldModifiers_ | bit) : (heldModifiers_ & ~bit);
    }
}

void X11Input::holdModifiers(uint64_t flags) {
    std::lock_guard lock(mutex_);
    syncModifiers(x11keys::modifiersFor(flags));
    XFlush(display_);
}

void X11Input::postKey(uint16_t keyCode, bool down, uint64_t flags) {
    std::lock_guard lock(mutex_);
    refreshKeymapIfChanged();
    std::optional<Held> held;
    auto it = down ? pressed_.end() : pressed_.find(keyCode);
    if (it != pressed_.end()) {
        held = it->second;
        pressed_.erase(it);
    } else {
        held = chordFor(keyCode, flags);
    }
    if (!held) return;
    // Every event carries exactly its own modifiers, whatever else is down.
    syncModifiers(held->modifiers);
    XTestFakeKeyEvent(display_, held->keycode, down ? True : False, CurrentTime);
    if (down)
        pressed_.emplace(keyCode, *held);
    else if (pressed_.empty())
        syncModifiers(0);
    XFlush(display_);
}

void X11Input::tap(KeySym keysym, unsigned modifiers) {
    std::lock_guard lock(mutex_);
    refreshKeymapIfChanged();
    auto key = resolve(keysym, 0);
    if (!key) return;
    syncModifiers(modifiers);
    XTestFakeKeyEvent(display_, key->keycode, True, CurrentTime);
    XTestFakeKeyEvent(display_, key->keycode, False, CurrentTime);
    if (pressed_.empty()) syncModifiers(0);
    XFlush(display_);
}

Point X11Input::queryPointer() {
    Window root = 0, child = 0;
    int rootX = 0, rootY = 0, winX = 0, winY = 0;
    unsigned mask = 0;
    if (!XQueryPointer(display_, DefaultRootWindow(display_), &root, &child, &rootX, &rootY, &winX,
                       &winY, &mask))
        return {0, 0};
    return {static_cast<double>(rootX), static_cast<double>(rootY)};
}

// Where the agent put the pointer, with its fraction: asking the X server is a
// blocking round trip, so it is asked at most once per kReread, in case the
// user's own mouse moved the pointer since.
Point X11Input::pointerLocation() {
    std::lock_guard lock(mutex_);
    const auto now = std::chrono::steady_clock::now();
    if (fractional_ && now - lastRead_ < kReread) return *fractional_;
    lastRead_ = now;
    const Point at = queryPointer();
    if (fractional_ && at.x == warpedX_ && at.y == warpedY_) return *fractional_;
    fractional_.reset();
    return at;
}

void X11Input::warp(Point location) {
    // The pointer stays on the screen, so the kept fraction matches it.
    const int screen = DefaultScreen(display_);
    location.x = std::clamp(location.x, 0.0, DisplayWidth(display_, screen) - 1.0);
    location.y = std::clamp(location.y, 0.0, DisplayHeight(display_, screen) - 1.0);
    warpedX_ = static_cast<int>(std::floor(location.x));
    warpedY_ = static_cast<int>(std::floor(location.y));
    fractional_ = location;
    XTestFakeMotionEvent(display_, -1, warpedX_, warpedY_, CurrentTime);
}

void X11Input::postMouse(int eventType, Point location, int button, int64_t /*clickState*/,
                         bool /*clearFlags*/) {
    // X derives double clicks from the timing of the clicks themselves.
    std::lock_guard lock(mutex_);
    if (!std::isfinite(location.x) || !std::isfinite(location.y)) return;
    warp(location);
    if (isButtonPress(eventType))
        XTestFakeButtonEvent(display_, xButton(button), True, CurrentTime);
    if (isButtonRelease(eventType))
        XTestFakeButtonEvent(display_, xButton(button), False, CurrentTime);
    XFlush(display_);
}

void X11Input::postScroll(int32_t pixels) {
    std::lock_guard lock(mutex_);
    if ((pixels > 0 && scrollRemainder_ < 0) || (pixels < 0 && scrollRemainder_ > 0))
        scrollRemainder_ = 0;
    const int64_t total = int64_t{scrollRemainder_} + pixels;
    int64_t clicks = total / kPixelsPerWheelClick;
    scrollRemainder_ = static_cast<int>(total % kPixelsPerWheelClick);
    const unsigned wheel = clicks > 0 ? 4 : 5;  // 4 scrolls up, 5 down
    clicks = std::min<int64_t>(std::llabs(clicks), kMaxWheelClicksPerScroll);
    for (int64_t i = 0; i < clicks; ++i) {
        XTestFakeButtonEvent(display_, wheel, True, CurrentTime);
        XTestFakeButtonEvent(display_, wheel, False, CurrentTime);
    }
    XFlush(display_);
}

// XTest has whole wheel steps only: the fraction waits for the next scroll in
// the same direction.
void X11Input::postSmoothScroll(double notchesX, double notchesY) {
    std::lock_guard lock(mutex_);
    const auto steps = [](double& remainder, double notches) {
        if ((notches > 0) != (remainder > 0)) remainder = 0;
        remainder += notches;
        const double whole = std::trunc(remainder);
        remainder -= whole;
        return static_cast<int>(whole);
    };
    const int down = steps(notchRemainder_.y, notchesY);
    const int right = steps(notchRemainder_.x, notchesX);
    for (auto [count, button] : {std::pair{down, down > 0 ? 5u : 4u}, {right, right > 0 ? 7u : 6u}})
        for (int i = 0; i < std::abs(count); ++i) {
            XTestFakeButtonEvent(display_, button, True, CurrentTime);
            XTestFakeButtonEvent(display_, button, False, CurrentTime);
        }
    XFlush(display_);
}

KeySequence X11Input::screenshotKeys(bool area) {
    // Print and Shift-Print: mac code 105 is the Print key (see X11KeyTable).
    if (area) return {{56}, 105};
    return {{}, 105};
}

}  // namespace tarsel
