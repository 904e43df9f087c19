#pragma once
// Token buckets per source address and in total. Discovery replies are capped
// because a reply is larger than the "scan" that asks for it (an unlimited
// responder would amplify spoofed traffic; a real phone scans a few times a
// second at most); layout replies for the same reason, much more so; log lines
// that any host can cause, so the log stays readable under a flood.
#include <list>
#include <mutex>
#include <string>
#include <unordered_map>

#include "runtime/Clock.h"

namespace tarsel {

struct TokenBucket {
    double tokens;
    double updated;
    // Refills at `rate` per second up to `burst`; takes `amount` tokens if
    // there are that many.
    bool take(double now, double rate, double burst, double amount = 1.0);
    bool hasToken(double now, double rate, double burst);
};

class RateLimiter {
  public:
    struct Rates {
        double perAddress = 5.0;  // per second, sustained
        double perAddressBurst = 10.0;
        double total = 200.0;
        double totalBurst = 400.0;
        std::size_t maxAddresses = 4096;
    };

    static RateLimiter& discoveryReplies();
    static RateLimiter& parseFailureLines();
    // About two whole layouts a second to one address, ten in all.
    static RateLimiter& layoutReplies();
    explicit RateLimiter(const Clock& clock = Clock::system()) : RateLimiter(clock, Rates{}) {}
    RateLimiter(const Clock& clock, Rates rates);

    // A full table makes room for a newcomer by forgetting the address heard
    // from least recently, so a flood of new addresses never shuts out a phone.
    bool allow(const std::string& address);

  private:
    struct Entry {
        TokenBucket bucket;
        std::list<std::string>::iterator age;
    };

    const Clock& clock_;
    const Rates rates_;
    std::mutex mutex_;
    TokenBucket total_;
    std::unordered_map<std::string, Entry> perAddress_;
    std::list<std::string> byAge_;  // least recently heard from first
};

}  // namespace tarsel
