#include "input/InputQueues.h"

#include <cstdlib>

namespace tarsel::KeyMapProcessor {
namespace {

// Never destroyed: timers may still be pending when the process exits.
StepQueue* mouse = nullptr;
StepQueue* keys = nullptr;
Clock* clock = nullptr;

}  // namespace

void installQueues(asio::thread_pool& network, Clock& wallClock) {
    clock = &wallClock;
    if (mouse) return;
    mouse = new StepQueue("com.remote.mouseQueue", network);
    keys = new StepQueue("com.tarsel.keyQueue", network);
}

StepQueue& mouseQueue() {
    if (!mouse) std::abort();  // start-up installs them first
    return *mouse;
}

Clock& inputClock() {
    return *clock;
}

StepQueue& keyQueue() {
    if (!keys) std::abort();
    return *keys;
}

}  // namespace tarsel::KeyMapProcessor
