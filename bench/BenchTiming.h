#pragma once
// What both load generators time with: the monotonic clock, pacing to an
// absolute time, and percentiles of round trips.
#include <time.h>

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <nlohmann/json.hpp>
#include <vector>

namespace bench {

inline double monotonic() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

inline void sleepUntil(double t) {
    timespec ts{};
    ts.tv_sec = static_cast<time_t>(t);
    ts.tv_nsec = static_cast<long>((t - static_cast<double>(ts.tv_sec)) * 1e9);
    while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &ts, nullptr) == EINTR) {
    }
}

// {"sent", "answered", "p50_us", "p99_us", "max_us"} of round trips in µs.
inline nlohmann::json summarize(std::vector<double> micros, std::size_t sent) {
    nlohmann::json out{{"sent", sent}, {"answered", micros.size()}};
    if (micros.empty()) return out;
    std::sort(micros.begin(), micros.end());
    auto pct = [&](double p) {
        return micros[static_cast<std::size_t>(p * static_cast<double>(micros.size() - 1))];
    };
    out["p50_us"] = pct(0.50);
    out["p99_us"] = pct(0.99);
    out["max_us"] = micros.back();
    return out;
}

}  // namespace bench
