#pragma once
// Wrong-PIN counting per address over a sliding window, five-minute lockouts,
// a budget for wrong PINs from everyone together, and the endpoints that have
// proved the PIN lately. Their exemption from the lockout and the budget holds
// only while each of their datagrams carries the right PIN: anyone who knows a
// phone's address and port can send from it, so the first datagram from it
// that is not a request with the right PIN ends the exemption.
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
    // Tests begin each case with a fresh one: the budgets refill only with
    // real time. Never while requests are handled.
    static void resetShared();
    explicit SecurityGuard(const Clock& clock = Clock::system(),
                           std::size_t capacity = kDefaultCapacity);

    // True while the endpoint's address is locked out, unless the endpoint
    // itself proved the PIN within `provenFor` (and has sent nothing else since).
    bool isLocked(const Endpoint& peer);
    // Whether the PIN of a request from `peer` may be compared at all: always
    // for a proven endpoint, else while the budget for wrong PINs lasts.
    // Refusals are counted and reported once per `reportEvery`.
    bool admits(const Endpoint& peer);
    // Whether a datagram of `bytes` from `peer` may go to the JSON parser:
    // always for a proven endpoint, else while the parse budget shared by all
    // strangers lasts (its drops are counted, one line per `reportEvery`).
    bool admitsParse(const Endpoint& peer, std::size_t bytes);
    // Counts a wrong PIN against the address and the budget, and ends the
    // endpoint's exemption. True when its lines were logged (they are
    // rate-limited, like the caller's own line).
    bool registerFailure(const Endpoint& peer);
    // A datagram that is not a request with the right PIN: the endpoint is
    // treated as a stranger from now on, until it proves the PIN again.
    void revoke(const Endpoint& peer);
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
    // A large datagram costs a few milliseconds to parse; strangers together
    // get about one of the largest a second, so a new phone's first sync
    // passes while a flood of them cannot hold up the phones in use.
    const double parseBytesPerSecond = 65536.0;
    const double parseBurst = 131072.0;

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
    TokenBucket parseBudget_;
    RateLimiter lines_;
    DropReport dropped_;
    DropReport unparsed_;
};

}  // namespace tarsel
