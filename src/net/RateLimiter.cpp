#include "net/RateLimiter.h"

#include <algorithm>

namespace tarsel {

RateLimiter& RateLimiter::discoveryReplies() {
    static RateLimiter* limiter = new RateLimiter();
    return *limiter;
}

RateLimiter& RateLimiter::parseFailureLines() {
    static RateLimiter* limiter = new RateLimiter(Clock::system(), {1.0, 5.0, 20.0, 50.0, 4096});
    return *limiter;
}

RateLimiter::RateLimiter(const Clock& clock, Rates rates)
    : clock_(clock), rates_(rates), total_{rates.totalBurst, clock.monotonic()} {}

bool RateLimiter::take(Bucket& b, double now, double rate, double burst) {
    b.tokens = std::min(burst, b.tokens + std::max(0.0, now - b.updated) * rate);
    b.updated = now;
    if (b.tokens < 1.0) return false;
    b.tokens -= 1.0;
    return true;
}

bool RateLimiter::allow(const std::string& address) {
    double now = clock_.monotonic();
    std::lock_guard lock(mutex_);
    auto it = perAddress_.find(address);
    if (it == perAddress_.end()) {
        if (perAddress_.size() >= rates_.maxAddresses) {
            // Buckets that have refilled carry no memory worth keeping.
            double full = rates_.perAddressBurst / rates_.perAddress;
            std::erase_if(perAddress_, [&](auto& e) { return now - e.second.updated >= full; });
            if (perAddress_.size() >= rates_.maxAddresses) return false;
        }
        it = perAddress_.emplace(address, Bucket{rates_.perAddressBurst, now}).first;
    }
    if (!take(it->second, now, rates_.perAddress, rates_.perAddressBurst)) return false;
    return take(total_, now, rates_.total, rates_.totalBurst);
}

}  // namespace tarsel
