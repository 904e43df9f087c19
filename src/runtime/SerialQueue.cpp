#include "runtime/SerialQueue.h"

#include <asio/co_spawn.hpp>
#include <asio/defer.hpp>
#include <asio/detached.hpp>
#include <asio/use_awaitable.hpp>

namespace tarsel {

SerialQueue::SerialQueue(std::string label, const asio::any_io_executor& executor, Timers& timers)
    : state_(std::make_shared<State>(std::move(label), executor, &timers)) {}

SerialQueue::SerialQueue(std::string label, asio::thread_pool& pool)
    : state_(std::make_shared<State>(std::move(label), pool.get_executor(), nullptr)) {}

std::size_t SerialQueue::pending() const {
    std::lock_guard lock(state_->mutex);
    return state_->pending.size();
}

void SerialQueue::push(Item item) {
    std::lock_guard lock(state_->mutex);
    state_->pending.push_back(std::move(item));
    if (state_->running) return;
    state_->running = true;
    asio::defer(state_->strand, [state = state_] { runNext(state); });
}

bool SerialQueue::claimIdle() {
    std::lock_guard lock(state_->mutex);
    if (state_->running || !state_->pending.empty()) return false;
    state_->running = true;
    return true;
}

void SerialQueue::releaseIdle() {
    std::lock_guard lock(state_->mutex);
    if (state_->pending.empty()) {
        state_->running = false;
        return;
    }
    asio::defer(state_->strand, [state = state_] { runNext(state); });
}

// One item per turn, so a busy queue never keeps the thread from the others.
void SerialQueue::runNext(const std::shared_ptr<State>& state) {
    Item item;
    {
        std::lock_guard lock(state->mutex);
        if (state->pending.empty()) {
            state->running = false;
            return;
        }
        item = std::move(state->pending.front());
        state->pending.pop_front();
    }
    if (item.sequence) {
        asio::co_spawn(state->strand, runSequence(state, std::move(item.sequence)), asio::detached);
        return;
    }
    item.task();
    asio::defer(state->strand, [state] { runNext(state); });
}

asio::awaitable<void> SerialQueue::runSequence(std::shared_ptr<State> state, Sequence sequence) {
    co_await sequence();  // `sequence` lives in this frame as long as its coroutine runs
    runNext(state);
}

void SerialQueue::after(Seconds delay, Task task) {
    after(state_, delay, std::move(task));
}

void SerialQueue::after(const std::shared_ptr<State>& state, Seconds delay, Task task) {
    const asio::any_io_executor strand(state->strand);
    if (state->timers)
        state->timers->after(strand, delay, std::move(task));
    else
        dispatchAfter(strand, delay, std::move(task));
}

// Plain functions returning Asio's own awaitable: no frame of ours holds
// state across the suspension.
asio::awaitable<void> SerialQueue::pause(Seconds delay) {
    return until([state = state_, delay](Task done) { after(state, delay, std::move(done)); });
}

asio::awaitable<void> SerialQueue::until(std::function<void(Task done)> start) {
    return asio::async_initiate<const asio::use_awaitable_t<>&, void()>(
        [state = state_, start = std::move(start)](auto resume) {
            auto shared = std::make_shared<decltype(resume)>(std::move(resume));
            // Never resumed inside `start`, even when it calls `done` at once.
            start([state, shared] { asio::defer(state->strand, [shared] { (*shared)(); }); });
        },
        asio::use_awaitable);
}

}  // namespace tarsel
