#pragma once
// A desktop that lets its user stop remote input (GNOME's "Stop Screen
// Sharing") pauses the agent's input: events are dropped until the user asks
// to resume, and the agent never reopens on its own what the user stopped.
#include <functional>

namespace tarsel {

class InputPause {
  public:
    virtual ~InputPause() = default;
    virtual bool paused() const = 0;
    // Starts reopening the desktop's input; false where nothing is paused.
    virtual bool resume() = 0;
    // Set once at start-up; called from any thread when `paused` changes.
    std::function<void()> onChange;
};

}  // namespace tarsel
