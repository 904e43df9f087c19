#include "platform/headless/AsioMainLoop.h"

#include <asio/post.hpp>

#include "runtime/Queues.h"

namespace tarsel {

AsioMainLoop::AsioMainLoop()
    : guard_(asio::make_work_guard(io_)), mainThread_(std::this_thread::get_id()) {}

void AsioMainLoop::post(std::function<void()> task) {
    asio::post(io_, std::move(task));
}

void AsioMainLoop::postAfter(std::chrono::duration<double> delay, std::function<void()> task) {
    dispatchAfter(io_.get_executor(), delay, std::move(task));
}

void AsioMainLoop::run() {
    mainThread_ = std::this_thread::get_id();
    io_.run();
}

bool AsioMainLoop::isMainThread() const {
    return std::this_thread::get_id() == mainThread_;
}

}  // namespace tarsel
