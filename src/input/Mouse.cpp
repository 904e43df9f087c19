// The five mouse operations, each one step of the serial mouse queue.
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

void click(int button, StepQueue::Done done) {
    const Point at = input().pointerLocation();
    const ButtonTypes types = typesFor(button);
    if (button == 0)
        registerLeftClick(state(), inputClock().now(), at);
    else
        state().clickCount = 1;
    const int64_t clickState = state().clickCount;
    input().postMouse(types.down, at, button, clickState, true);
    mouseQueue().after(kClickHold, [button, types, clickState, done] {
        input().postMouse(types.up, input().pointerLocation(), button, clickState, true);
        mouseQueue().after(kAfterClick, done);
    });
}

}  // namespace

void moveMouse(int64_t dx, int64_t dy) {
    mouseQueue().async([dx, dy](StepQueue::Done done) {
        const Point to = moveTarget(input().pointerLocation(), dx, dy);
        const int type = state().isMouseHeld ? eventType::leftDragged : eventType::moved;
        input().postMouse(type, to, 0, 0, false);
        done();
    });
}

void clickMouse(int button) {
    mouseQueue().async([button](StepQueue::Done done) { click(button, std::move(done)); });
}

void scrollMouse(int64_t dy) {
    mouseQueue().async([dy](StepQueue::Done done) {
        input().postScroll(wheelAmount(dy));
        state().clickCount = 1;
        done();
    });
}

void mouseDown() {
    mouseQueue().async([](StepQueue::Done done) {
        state().isMouseHeld = true;
        input().postMouse(eventType::leftDown, input().pointerLocation(), 0, 0, false);
        done();
    });
}

void mouseUp() {
    mouseQueue().async([](StepQueue::Done done) {
        state().isMouseHeld = false;
        input().postMouse(eventType::leftUp, input().pointerLocation(), 0, 0, false);
        done();
    });
}

}  // namespace tarsel::KeyMapProcessor
