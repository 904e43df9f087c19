#pragma once
// The input subsystem's two serial queues.
#include "input/HeldKeys.h"
#include "runtime/Backlog.h"
#include "runtime/Clock.h"
#include "runtime/SerialQueue.h"

namespace tarsel::KeyMapProcessor {

// How long a pressed key is held, for presses and the paste chord alike.
inline constexpr Seconds kKeyHold{0.05};

// Start-up, once: both queues run on the network thread with `timers`;
// `clock` times double clicks.
void installQueues(const asio::any_io_executor& network, Timers& timers, Clock& clock);
Clock& inputClock();

// "com.remote.mouseQueue": every mouse operation and the mouse state.
SerialQueue& mouseQueue();
// Key presses and pastes, one after another in call order, so one phone's
// keys and texts take effect in the order it sent them. Holds are timers.
SerialQueue& keyQueue();
// What each phone has waiting in the two queues.
Backlog& backlog();
// The key queue's held keys.
HeldKeys& heldKeys();

}  // namespace tarsel::KeyMapProcessor
