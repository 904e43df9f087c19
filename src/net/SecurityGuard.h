#pragma once
// Wrong-PIN counting per address over a sliding window, five-minute lockouts,
// a budget for wrong PINs from everyone together, and the endpoints that have
// proved the PIN lately, which neither the lockout nor the budget stops.
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

#include "net/RateLimiter.h"
#include "runtime/Clock.h"
#include "runtime/DropReport.h"

namespace tarsel {

// A remote address and source port: one phone's socket.
struct Endpoint {
    std::string ip;
    uint16_t port = 0;
    std::string key() const { return ip + ":" + std::to_string(port); }
};

class SecurityGuard {
  public:
    static constexpr std::size_t kDefaultCapacity = 16384;

    static SecurityGuard& shared();
    explicit SecurityGuard(const Clock& clock = Clock::system(),
                           std::size_t capacity = kDefaultCapacity);

    // True while the endpoint's address is locked out, unless the endpoint
    // itself proved the PIN within `provenFor`.
    bool isLocked(const Endpoint& peer);
    // Whether the PIN of a request from `peer` may be compared at all: always
    // for a proven endpoint, else while the budget for wrong PINs lasts.
    // Refusals are counted and reported once per `reportEvery`.
    bool admits(const Endpoint& peer);
    // Counts a wrong PIN against the address and the budget. True when its
    // lines were logged (they are rate-limited, like the caller's own line).
    bool registerFailure(const Endpoint& peer);
    // A right PIN: clears the address's failures and marks the endpoint proven;
    // an endpoint's first proof is logged, so a stranger is noticed.
    void reset(const Endpoint& peer);

    // Forgets counting addresses whose failures have aged out, so spoofed
    // floods cannot grow the tables without limit.
    void sweep();
    std::size_t trackedAddresses() const;

    const int maxFailures = 10;
    const double window = 30.0;
    const double lockoutDuration = 300.0;
    const double provenFor = 300.0;
    const double budgetPerSecond = 3.0;  // wrong PINs from everyone together
    const double budgetBurst = 30.0;
    const double reportEvery = 10.0;
    const std::size_t maxProven = 1024;

  private:
    bool provenLocked(const Endpoint& peer, double now) const;
    void sweepLocked(double now);
    void makeRoom(double now);

    const Clock& clock_;
    const std::size_t capacity_;
    mutable std::mutex lock_;
    std::unordered_map<std::string, std::vector<double>> failures_;
    std::unordered_map<std::string, double> lockouts_;
    std::unordered_map<std::string, double> proven_;  // Endpoint::key() → last proof, monotonic
    TokenBucket budget_;
    RateLimiter lines_;
    DropReport dropped_;
};

}  // namespace tarsel
