#pragma once
// The one serial queue: work items run one after another, in submission
// order, on a strand. An item is a plain task or a timed sequence, a coroutine
// whose pauses are timers, so a hold never holds a thread and the next item
// starts only when the sequence has ended.
#include <asio/awaitable.hpp>
#include <asio/strand.hpp>
#include <functional>
#include <future>
#include <list>
#include <memory>
#include <mutex>
#include <string>

#include "runtime/Queues.h"

namespace tarsel {

class SerialQueue {
  public:
    using Sequence = std::function<asio::awaitable<void>()>;

    SerialQueue(std::string label, const asio::any_io_executor& executor, Timers& timers);
    SerialQueue(std::string label, asio::thread_pool& pool);

    const std::string& label() const { return state_->label; }
    bool isCurrent() const { return state_->strand.running_in_this_thread(); }
    // Items submitted and not yet started.
    std::size_t pending() const;

    // A continuation when called from the queue's own thread: nothing is woken.
    void async(Task task) { push({std::move(task), {}}); }
    // Runs `fn` at once, as the queue's next item, when nothing runs or waits
    // on it; false (and `fn` not run) otherwise. Items submitted meanwhile wait
    // for it. For the thread the queue's strand runs on, whose work it is.
    template <class Fn>
    bool runIfIdle(Fn&& fn) {
        if (!claimIdle()) return false;
        struct Release {
            SerialQueue* queue;
            ~Release() { queue->releaseIdle(); }  // even when `fn` throws
        } release{this};
        fn();
        return true;
    }
    void sequence(Sequence sequence) { push({{}, std::move(sequence)}); }
    // Runs `task` on the queue after `delay`, outside the order of the items.
    void after(Seconds delay, Task task);

    // Inside a sequence: waits `delay` on the queue's timers.
    asio::awaitable<void> pause(Seconds delay);
    // Inside a sequence: hands `done` to `start`, which may pass it to another
    // thread; the sequence goes on, on this queue, once `done` is called.
    asio::awaitable<void> until(std::function<void(Task done)> start);

    // Runs `fn` on the queue and waits for its result. Never from the queue
    // itself, which would wait for itself.
    template <class Fn>
    auto sync(Fn fn) -> decltype(fn()) {
        if (isCurrent()) std::abort();
        std::packaged_task<decltype(fn())()> job(std::move(fn));
        auto result = job.get_future();
        async([&job] { job(); });
        return result.get();
    }

  private:
    struct Item {
        Task task;
        Sequence sequence;
    };
    // Shared with the handlers in flight, so the queue may go before its work.
    struct State {
        State(std::string name, const asio::any_io_executor& executor, Timers* t)
            : label(std::move(name)), strand(asio::make_strand(executor)), timers(t) {}
        std::string label;
        asio::strand<asio::any_io_executor> strand;
        Timers* timers;
        mutable std::mutex mutex;
        std::list<Item> pending;  // a deque would allocate 600 bytes per idle queue
        bool running = false;
    };
    bool claimIdle();
    void releaseIdle();
    static void runNext(const std::shared_ptr<State>& state);
    static asio::awaitable<void> runSequence(std::shared_ptr<State> state, Sequence sequence);
    static void after(const std::shared_ptr<State>& state, Seconds delay, Task task);
    void push(Item item);

    std::shared_ptr<State> state_;
};

}  // namespace tarsel
