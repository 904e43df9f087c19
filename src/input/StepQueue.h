#pragma once
// A serial queue whose work items may wait (on timers) without holding a
// thread: each step receives `done` and the next step starts only after it is
// called. Pauses inside a step are timers on the queue's strand.
#include <deque>
#include <functional>
#include <mutex>
#include <string>

#include "runtime/Queues.h"

namespace tarsel::KeyMapProcessor {

class StepQueue {
  public:
    using Done = std::function<void()>;
    using Step = std::function<void(Done)>;

    StepQueue(std::string label, asio::thread_pool& pool) : queue_(std::move(label), pool) {}

    void async(Step step);
    // A pause inside a step; `task` runs on the queue's strand.
    void after(Seconds delay, Task task) { queue_.after(delay, std::move(task)); }
    const std::string& label() const { return queue_.label(); }

  private:
    void runNext();
    void finishOne();

    SerialQueue queue_;
    std::mutex mutex_;
    std::deque<Step> pending_;
    bool running_ = false;
};

}  // namespace tarsel::KeyMapProcessor
