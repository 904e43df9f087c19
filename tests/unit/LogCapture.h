#pragma once
// Collects log lines for the duration of a test.
#include <mutex>
#include <string>
#include <vector>

#include "runtime/Log.h"

namespace tarsel::testing {

class LogCapture {
  public:
    LogCapture() {
        Logger::instance().setSink([this](std::string_view l) {
            std::lock_guard lock(mutex_);
            lines_.emplace_back(l);
        });
    }
    ~LogCapture() { Logger::instance().setSink({}); }
    std::vector<std::string> lines() {
        std::lock_guard lock(mutex_);
        return lines_;
    }
    void clear() {
        std::lock_guard lock(mutex_);
        lines_.clear();
    }

  private:
    std::mutex mutex_;
    std::vector<std::string> lines_;
};

}  // namespace tarsel::testing
