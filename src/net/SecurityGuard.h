#pragma once
// Wrong-PIN counting per address over a sliding window, and five-minute lockouts.
#include <cstddef>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

#include "runtime/Clock.h"

namespace tarsel {

class SecurityGuard {
  public:
    static constexpr std::size_t kDefaultCapacity = 16384;

    static SecurityGuard& shared();
    explicit SecurityGuard(const Clock& clock = Clock::system(),
                           std::size_t capacity = kDefaultCapacity);

    bool isLocked(const std::string& ip);
    void registerFailure(const std::string& ip);
    void reset(const std::string& ip);

    // Forgets counting addresses whose failures have aged out, so spoofed
    // floods cannot grow the tables without limit.
    void sweep();
    std::size_t trackedAddresses() const;

    const int maxFailures = 10;
    const double window = 30.0;
    const double lockoutDuration = 300.0;

  private:
    void sweepLocked(double now);
    void makeRoom(double now);

    const Clock& clock_;
    const std::size_t capacity_;
    mutable std::mutex lock_;
    std::unordered_map<std::string, std::vector<double>> failures_;
    std::unordered_map<std::string, double> lockouts_;
};

}  // namespace tarsel
