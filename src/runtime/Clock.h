#pragma once
// Time as the agent sees it: wall-clock seconds since 1970 (lockouts, client
// record) and a monotonic clock (timers, multi-click). Tests inject ManualClock.
#include <atomic>

namespace tarsel {

class Clock {
  public:
    virtual ~Clock() = default;
    virtual double now() const = 0;        // seconds since 1970, with fractions
    virtual double monotonic() const = 0;  // seconds, never goes back
    static Clock& system();
};

class ManualClock : public Clock {
  public:
    explicit ManualClock(double start = 1'700'000'000.0) : now_(start), mono_(1000.0) {}
    double now() const override { return now_.load(); }
    double monotonic() const override { return mono_.load(); }
    void advance(double seconds) {
        now_ = now_.load() + seconds;
        mono_ = mono_.load() + seconds;
    }
    // A wall-clock jump moves only the wall clock.
    void setWall(double t) { now_ = t; }

  private:
    std::atomic<double> now_;
    std::atomic<double> mono_;
};

}  // namespace tarsel
