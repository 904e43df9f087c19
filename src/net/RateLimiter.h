#pragma once
// Token buckets per source address and in total. Discovery replies are capped
// because a reply is larger than the "scan" that asks for it (an unlimited
// responder would amplify spoofed traffic; a real phone scans a few times a
// second at most); parse-failure log lines because any host can send them.
#include <mutex>
#include <string>
#include <unordered_map>

#include "runtime/Clock.h"

namespace tarsel {

class RateLimiter {
  public:
    struct Rates {
        double perAddress = 5.0;  // replies per second, sustained
        double perAddressBurst = 10.0;
        double total = 200.0;
        double totalBurst = 400.0;
        std::size_t maxAddresses = 4096;
    };

    static RateLimiter& discoveryReplies();
    static RateLimiter& parseFailureLines();
    explicit RateLimiter(const Clock& clock = Clock::system()) : RateLimiter(clock, Rates{}) {}
    RateLimiter(const Clock& clock, Rates rates);

    bool allow(const std::string& address);

  private:
    struct Bucket {
        double tokens;
        double updated;
    };
    static bool take(Bucket& b, double now, double rate, double burst);

    const Clock& clock_;
    const Rates rates_;
    std::mutex mutex_;
    Bucket total_;
    std::unordered_map<std::string, Bucket> perAddress_;
};

}  // namespace tarsel
