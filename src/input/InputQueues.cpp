#include "input/InputQueues.h"

#include <cstdlib>

namespace tarsel::KeyMapProcessor {
namespace {

// Never destroyed: timers may still be pending when the process exits.
SerialQueue* mouse = nullptr;
SerialQueue* keys = nullptr;
Clock* clock = nullptr;
Backlog* waiting = nullptr;
HeldKeys* held = nullptr;

}  // namespace

void installQueues(const asio::any_io_executor& network, Timers& timers, Clock& wallClock) {
    clock = &wallClock;
    if (mouse) return;
    mouse = new SerialQueue("com.remote.mouseQueue", network, timers);
    keys = new SerialQueue("com.tarsel.keyQueue", network, timers);
    waiting = new Backlog();
    held = new HeldKeys();
}

SerialQueue& mouseQueue() {
    if (!mouse) std::abort();  // start-up installs them first
    return *mouse;
}

Clock& inputClock() {
    return *clock;
}

Backlog& backlog() {
    if (!waiting) std::abort();
    return *waiting;
}

HeldKeys& heldKeys() {
    if (!held) std::abort();
    return *held;
}

SerialQueue& keyQueue() {
    if (!keys) std::abort();
    return *keys;
}

}  // namespace tarsel::KeyMapProcessor
