#pragma once
// The input subsystem's two serial queues.
#include "input/StepQueue.h"
#include "runtime/Clock.h"

namespace tarsel::KeyMapProcessor {

// Start-up, once: both queues run on the network thread; `clock` times double clicks.
void installQueues(asio::thread_pool& network, Clock& clock);
Clock& inputClock();

// "com.remote.mouseQueue": every mouse operation and the mouse state.
StepQueue& mouseQueue();
// Key presses and pastes, one after another in call order, so one phone's
// keys and texts take effect in the order it sent them. Holds are timers.
StepQueue& keyQueue();

}  // namespace tarsel::KeyMapProcessor
