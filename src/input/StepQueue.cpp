#include "input/StepQueue.h"

#include <atomic>
#include <memory>

namespace tarsel::KeyMapProcessor {

void StepQueue::async(Step step) {
    std::lock_guard lock(mutex_);
    pending_.push_back(std::move(step));
    if (running_) return;
    running_ = true;
    queue_.async([this] { runNext(); });
}

void StepQueue::runNext() {
    Step step;
    {
        std::lock_guard lock(mutex_);
        step = std::move(pending_.front());
        pending_.pop_front();
    }
    // A step that calls `done` twice must not start two successors.
    auto called = std::make_shared<std::atomic<bool>>(false);
    step([this, called] {
        if (!called->exchange(true)) queue_.async([this] { finishOne(); });
    });
}

void StepQueue::finishOne() {
    std::lock_guard lock(mutex_);
    if (pending_.empty()) {
        running_ = false;
        return;
    }
    queue_.async([this] { runNext(); });
}

}  // namespace tarsel::KeyMapProcessor
