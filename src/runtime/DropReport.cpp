#include "runtime/DropReport.h"

#include "runtime/Log.h"

namespace tarsel {

void DropReport::count() {
    std::lock_guard lock(mutex_);
    ++count_;
    const double now = clock_.monotonic();
    if (now - last_ < every_) return;
    last_ = now;
    LogOrigin own("");  // a summary is the agent's own line, whichever request caused it
    logLine(line_(count_));
    count_ = 0;
}

}  // namespace tarsel
