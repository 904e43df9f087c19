// The five mouse operations, each one item of the serial mouse queue.
#include "input/InputQueues.h"
#include "input/KeyMap.h"
#include "input/MouseState.h"
#include "platform/Platform.h"

namespace tarsel::KeyMapProcessor {
namespace {

constexpr Seconds kClickHold{0.02};
constexpr Seconds kAfterClick{0.01};

// Touched only by steps of the mouse queue.
MouseState& state() {
    static MouseState s;
    return s;
}

InputEvents& input() {
    return *platform().input;
}

struct ButtonTypes {
    int down;
    int up;
};

ButtonTypes typesFor(int button) {
    if (button == 0) return {eventType::leftDown, eventType::leftUp};
    if (button == 1) return {eventType::rightDown, eventType::rightUp};
    return {eventType::otherDown, eventType::otherUp};
}

// Down, the hold, up where the pointer is then, and the pause after: the
// next mouse operation waits for all of it, so a click never becomes a drag.
asio::awaitable<void> click(int button) {
    const Point at = input().pointerLocation();
    const ButtonTypes types = typesFor(button);
    if (button == 0)
        registerLeftClick(state(), inputClock().now(), at);
    else
        state().clickCount = 1;
    const int64_t clickState = state().clickCount;
    input().postMouse(types.down, at, button, clickState, true);
    co_await mouseQueue().pause(kClickHold);
    input().postMouse(types.up, input().pointerLocation(), button, clickState, true);
    co_await mouseQueue().pause(kAfterClick);
}

}  // namespace

void moveMouse(int64_t dx, int64_t dy) {
    mouseQueue().async([dx, dy] {
        const Point to = moveTarget(input().pointerLocation(), dx, dy);
        const int type = state().isMouseHeld ? eventType::leftDragged : eventType::moved;
        input().postMouse(type, to, 0, 0, false);
    });
}

void clickMouse(int button) {
    mouseQueue().sequence([button] { return click(button); });
}

void scrollMouse(int64_t dy) {
    mouseQueue().async([dy] {
        input().postScroll(wheelAmount(dy));
        state().clickCount = 1;
    });
}

void mouseDown() {
    mouseQueue().async([] {
        state().isMouseHeld = true;
        input().postMouse(eventType::leftDown, input().pointerLocation(), 0, 0, false);
    });
}

void mouseUp() {
    mouseQueue().async([] {
        state().isMouseHeld = false;
        input().postMouse(eventType::leftUp, input().pointerLocation(), 0, 0, false);
    });
}

}  // namespace tarsel::KeyMapProcessor
