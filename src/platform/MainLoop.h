#pragma once
// The main thread's event loop: menu, alerts, scripts and pastes run here.
#include <chrono>
#include <functional>

namespace tarsel {

class MainLoop {
  public:
    virtual ~MainLoop() = default;
    virtual void post(std::function<void()> task) = 0;
    virtual void postAfter(std::chrono::duration<double> delay, std::function<void()> task) = 0;
    virtual void run() = 0;  // on the main thread; returns only when stopped
    virtual bool isMainThread() const = 0;
};

}  // namespace tarsel
