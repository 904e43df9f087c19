#include "input/InputQueues.h"

namespace tarsel::KeyMapProcessor {

// Never destroyed: timers may still be pending when the process exits.
StepQueue& mouseQueue() {
    static auto* queue = new StepQueue("com.remote.mouseQueue", Queues::network());
    return *queue;
}

StepQueue& keyQueue() {
    static auto* queue = new StepQueue("com.tarsel.keyQueue", Queues::network());
    return *queue;
}

}  // namespace tarsel::KeyMapProcessor
