#include "runtime/DropReport.h"

#include "runtime/Log.h"

namespace tarsel {

void DropReport::count() {
    std::lock_guard lock(mutex_);
    ++count_;
    const double now = clock_.monotonic();
    if (now - last_ < every_) return;
    last_ = now;
    logLine(line_(count_));
    count_ = 0;
}

}  // namespace tarsel
