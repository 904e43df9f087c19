#pragma once
// The log lines that requests cause: at most 20 a second per endpoint and 100
// in total (bursts of 200), so any host's flood leaves a readable log; the
// rest are counted in one line every 10 s.
#include <string>

#include "net/RateLimiter.h"
#include "runtime/DropReport.h"

namespace tarsel {

class RequestLines {
  public:
    explicit RequestLines(const Clock& clock = Clock::system());
    // Whether a line from a request of `origin` is written.
    bool allow(const std::string& origin);
    // Makes the agent's log ask this budget about every request's lines.
    static void install();

  private:
    RateLimiter limiter_;
    DropReport dropped_;
};

}  // namespace tarsel
