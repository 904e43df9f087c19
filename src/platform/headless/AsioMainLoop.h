#pragma once
// The main loop without a display: an io_context run on the main thread.
#include <asio/executor_work_guard.hpp>
#include <asio/io_context.hpp>
#include <atomic>
#include <thread>

#include "platform/MainLoop.h"

namespace tarsel {

class AsioMainLoop : public MainLoop {
  public:
    AsioMainLoop();
    void post(std::function<void()> task) override;
    void postAfter(std::chrono::duration<double> delay, std::function<void()> task) override;
    void run() override;
    bool isMainThread() const override;

  private:
    asio::io_context io_;
    asio::executor_work_guard<asio::io_context::executor_type> guard_;
    std::atomic<std::thread::id> mainThread_;  // set by run(), read from any thread
};

}  // namespace tarsel
