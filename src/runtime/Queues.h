#pragma once
// Dispatch's queues on Asio: the executors, timers without a waiting thread,
// and serial queues as strands on a pool.
#include <algorithm>
#include <asio/defer.hpp>
#include <asio/post.hpp>
#include <asio/steady_timer.hpp>
#include <asio/strand.hpp>
#include <asio/thread_pool.hpp>
#include <chrono>
#include <functional>
#include <future>
#include <memory>
#include <string>
#include <thread>

namespace tarsel {

using Task = std::function<void()>;
using Seconds = std::chrono::duration<double>;

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
};

// Runs `task` on `executor` after `delay`, without holding a thread meanwhile.
template <class Executor>
void dispatchAfter(const Executor& executor, Seconds delay, Task task) {
    auto timer = std::make_shared<asio::steady_timer>(
        executor, std::chrono::duration_cast<std::chrono::steady_clock::duration>(delay));
    timer->async_wait([timer, task = std::move(task)](const asio::error_code& ec) {
        if (!ec) task();
    });
}

class SerialQueue {
  public:
    SerialQueue(std::string label, asio::thread_pool& pool)
        : label_(std::move(label)), strand_(asio::make_strand(pool)) {}

    const std::string& label() const { return label_; }
    bool isCurrent() const { return strand_.running_in_this_thread(); }

    // A continuation when called from the pool: no other thread is woken.
    void async(Task task) { asio::defer(strand_, std::move(task)); }
    void after(Seconds delay, Task task) { dispatchAfter(strand_, delay, std::move(task)); }

    // Runs `fn` on the queue and waits for its result; inline when already on it.
    template <class Fn>
    auto sync(Fn fn) -> decltype(fn()) {
        if (isCurrent()) return fn();
        std::packaged_task<decltype(fn())()> job(std::move(fn));
        auto result = job.get_future();
        asio::post(strand_, [&job] { job(); });
        return result.get();
    }

    asio::strand<asio::thread_pool::executor_type>& executor() { return strand_; }

  private:
    std::string label_;
    asio::strand<asio::thread_pool::executor_type> strand_;
};

}  // namespace tarsel
