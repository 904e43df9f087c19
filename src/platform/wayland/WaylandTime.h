#pragma once
// Event times for the compositor: milliseconds of the monotonic clock.
#include <time.h>

#include <cstdint>

namespace tarsel {

inline uint32_t waylandTime() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<uint32_t>(now.tv_sec * 1000 + now.tv_nsec / 1000000);
}

}  // namespace tarsel
