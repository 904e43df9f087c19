#pragma once
// The input subsystem's two serial queues.
#include "input/StepQueue.h"

namespace tarsel::KeyMapProcessor {

// "com.remote.mouseQueue": every mouse operation and the mouse state.
StepQueue& mouseQueue();
// Key presses and pastes, one after another in call order, so one phone's
// keys and texts take effect in the order it sent them. Holds are timers.
StepQueue& keyQueue();

}  // namespace tarsel::KeyMapProcessor
