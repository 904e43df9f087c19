#include "net/RateLimiter.h"

#include <algorithm>

namespace tarsel {

bool TokenBucket::hasToken(double now, double rate, double burst) {
    tokens = std::min(burst, tokens + std::max(0.0, now - updated) * rate);
    updated = now;
    return tokens >= 1.0;
}

bool TokenBucket::take(double now, double rate, double burst, double amount) {
    if (!hasToken(now, rate, burst) || tokens < amount) return false;
    tokens -= amount;
    return true;
}

RateLimiter& RateLimiter::discoveryReplies() {
    static RateLimiter* limiter = new RateLimiter();
    return *limiter;
}

RateLimiter& RateLimiter::parseFailureLines() {
    static RateLimiter* limiter = new RateLimiter(Clock::system(), {1.0, 5.0, 20.0, 50.0, 4096});
    return *limiter;
}

RateLimiter& RateLimiter::layoutReplies() {
    static RateLimiter* limiter = new RateLimiter(Clock::system(), {2.0, 2.0, 10.0, 10.0, 4096});
    return *limiter;
}

RateLimiter::RateLimiter(const Clock& clock, Rates rates)
    : clock_(clock), rates_(rates), total_{rates.totalBurst, clock.monotonic()} {}

bool RateLimiter::allow(const std::string& address) {
    double now = clock_.monotonic();
    std::lock_guard lock(mutex_);
    auto it = perAddress_.find(address);
    if (it == perAddress_.end()) {
        if (perAddress_.size() >= rates_.maxAddresses) {
            perAddress_.erase(byAge_.front());
            byAge_.pop_front();
        }
        byAge_.push_back(address);
        it = perAddress_.emplace(address, Entry{{rates_.perAddressBurst, now}, --byAge_.end()})
                 .first;
    } else {
        byAge_.splice(byAge_.end(), byAge_, it->second.age);
    }
    if (!it->second.bucket.take(now, rates_.perAddress, rates_.perAddressBurst)) return false;
    return total_.take(now, rates_.total, rates_.totalBurst);
}

}  // namespace tarsel
