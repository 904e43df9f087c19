#pragma once
// Dispatch's queues on Asio: the executors and timers without a waiting thread.
#include <algorithm>
#include <asio/any_io_executor.hpp>
#include <asio/steady_timer.hpp>
#include <asio/thread_pool.hpp>
#include <chrono>
#include <functional>
#include <memory>
#include <thread>

namespace tarsel {

using Task = std::function<void()>;
using Seconds = std::chrono::duration<double>;

// Runs `task` on `executor` after `delay`, without holding a thread meanwhile.
template <class Executor>
void dispatchAfter(const Executor& executor, Seconds delay, Task task) {
    auto timer = std::make_shared<asio::steady_timer>(
        executor, std::chrono::duration_cast<std::chrono::steady_clock::duration>(delay));
    timer->async_wait([timer, task = std::move(task)](const asio::error_code& ec) {
        if (!ec) task();
    });
}

// Where serial queues take their pauses from: the steady clock in the agent,
// a clock the test moves by hand in tests.
class Timers {
  public:
    virtual ~Timers() = default;
    virtual void after(const asio::any_io_executor& executor, Seconds delay, Task task) = 0;
};

class SteadyTimers final : public Timers {
  public:
    void after(const asio::any_io_executor& executor, Seconds delay, Task task) override {
        dispatchAfter(executor, delay, std::move(task));
    }
};

// The process's threads, created once by start-up and handed by reference to
// what runs on them; sized to the work, not to the cores.
struct Executors {
    // One thread from socket to effect: the socket, every endpoint's datagrams
    // and commands, the mouse queue ("com.remote.mouseQueue") and the key queue
    // with their timers. A hand-over among them is a continuation on this
    // thread, never a wake-up; nothing on it may wait for long.
    asio::thread_pool network{1};
    // The default global queue: ipQueue, the path monitor, scripts and the
    // update check, all of which may block on the system.
    asio::thread_pool global{std::clamp<std::size_t>(std::thread::hardware_concurrency(), 1, 2)};
    // The user-initiated global queue: the self-update job.
    asio::thread_pool userInitiated{1};
    // Pauses of the serial queues on these threads.
    SteadyTimers timers;
};

}  // namespace tarsel
