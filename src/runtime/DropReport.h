#pragma once
// Counts what a flood made the agent refuse and says so in one log line per
// period, instead of one line per refusal.
#include <cstddef>
#include <functional>
#include <mutex>
#include <string>

#include "runtime/Clock.h"

namespace tarsel {

class DropReport {
  public:
    // `line` turns the count since the last line into the line's text.
    DropReport(const Clock& clock, double everySeconds,
               std::function<std::string(std::size_t)> line)
        : clock_(clock), every_(everySeconds), line_(std::move(line)) {}

    void count();

  private:
    const Clock& clock_;
    const double every_;
    const std::function<std::string(std::size_t)> line_;
    std::mutex mutex_;
    std::size_t count_ = 0;
    double last_ = -1e18;
};

}  // namespace tarsel
