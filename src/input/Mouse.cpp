// The five mouse operations, each one item of the serial mouse queue.
#include <algorithm>
#include <memory>
#include <mutex>
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

asio::awaitable<void> clickHolding(int button, EventFlags held) {
    input().holdModifiers(held);
    co_await click(button);
    input().holdModifiers(0);
}

// The move queued last and not yet carried out; a later move adds to it
// rather than queueing another, and any other mouse operation ends it, so a
// move never jumps over a click, a press or a release.
struct QueuedMove {
    std::mutex mutex;
    std::shared_ptr<PointerSum> pending;
};

QueuedMove& queuedMove() {
    static QueuedMove q;
    return q;
}

// Later moves start a new sum: every one after `sum` (when given), or after
// whatever is queued now.
void endMoveRun(const std::shared_ptr<PointerSum>& sum = nullptr) {
    std::lock_guard lock(queuedMove().mutex);
    if (!sum || queuedMove().pending == sum) queuedMove().pending.reset();
}

// Queues a mouse operation other than a move.
void queueStep(Task task) {
    endMoveRun();
    auto waiting = backlog().claim(0, 0.0);
    if (!waiting) return;
    mouseQueue().async([task = std::move(task), waiting = std::move(*waiting)] { task(); });
}

void moveBy(const PointerSum& sum) {
    const Point to = moveTarget(input().pointerLocation(), sum.dx, sum.dy);
    const int type = state().isMouseHeld ? eventType::leftDragged : eventType::moved;
    input().postMouse(type, to, 0, 0, false);
}

}  // namespace

// At once where nothing waits on the mouse queue (no click's hold, no queued
// move); else queued behind what waits, adding up with a queued move.
void moveMouse(int64_t dx, int64_t dy) {
    auto& q = queuedMove();
    std::lock_guard lock(q.mutex);
    if (q.pending) return q.pending->add(dx, dy);
    if (mouseQueue().runIfIdle([dx, dy] { moveBy(PointerSum(dx, dy)); })) return;
    auto waiting = backlog().claim(0, 0.0);
    if (!waiting) return;
    auto sum = std::make_shared<PointerSum>(dx, dy);
    q.pending = sum;
    mouseQueue().async([sum, waiting = std::move(*waiting)] {
        endMoveRun(sum);
        moveBy(*sum);
    });
}

void clickMouse(int button, EventFlags held) {
    endMoveRun();
    auto waiting = backlog().claim(0, (kClickHold + kAfterClick).count());
    if (!waiting) return;
    mouseQueue().sequence([button, held, waiting = std::move(*waiting)] {
        return held ? clickHolding(button, held) : click(button);
    });
}

void scrollMouse(int64_t dy) {
    queueStep([dy] {
        input().postScroll(wheelAmount(dy));
        state().clickCount = 1;
    });
}

void smoothScrollMouse(double x, double y) {
    constexpr double kMostNotches = 10;
    x = std::clamp(x, -kMostNotches, kMostNotches);
    y = std::clamp(y, -kMostNotches, kMostNotches);
    queueStep([x, y] {
        input().postSmoothScroll(x, y);
        state().clickCount = 1;
    });
}

void mouseDown() {
    queueStep([] {
        state().isMouseHeld = true;
        input().postMouse(eventType::leftDown, input().pointerLocation(), 0, 0, false);
    });
}

void mouseUp() {
    queueStep([] {
        state().isMouseHeld = false;
        input().postMouse(eventType::leftUp, input().pointerLocation(), 0, 0, false);
    });
}

}  // namespace tarsel::KeyMapProcessor
