#pragma once
// Timers on a clock the test moves: `drain` runs an io_context until nothing
// is left to run, jumping the clock to each pending timer in turn, so timed
// sequences finish at once and exactly on time.
#include <asio/io_context.hpp>
#include <asio/post.hpp>
#include <map>
#include <mutex>
#include <utility>

#include "runtime/Clock.h"
#include "runtime/Queues.h"

namespace tarsel::testing {

class ManualTimers : public Timers {
  public:
    explicit ManualTimers(ManualClock& clock) : clock_(clock) {}

    void after(const asio::any_io_executor& executor, Seconds delay, Task task) override {
        std::lock_guard lock(mutex_);
        due_.emplace(clock_.monotonic() + delay.count(), std::pair{executor, std::move(task)});
    }

    void drain(asio::io_context& context) {
        for (;;) {
            context.restart();
            context.poll();
            std::unique_lock lock(mutex_);
            if (due_.empty()) return;
            auto next = due_.extract(due_.begin());
            lock.unlock();
            if (next.key() > clock_.monotonic()) clock_.advance(next.key() - clock_.monotonic());
            asio::post(next.mapped().first, std::move(next.mapped().second));
        }
    }

  private:
    ManualClock& clock_;
    std::mutex mutex_;
    std::multimap<double, std::pair<asio::any_io_executor, Task>> due_;
};

}  // namespace tarsel::testing
