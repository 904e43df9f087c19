#pragma once
// The pairing window: while it is open the discovery reply carries the PIN,
// so a new phone can be set up; the rest of the time it carries none, since a
// PIN given to every asker on the network would protect nothing.
#include <asio/any_io_executor.hpp>
#include <atomic>
#include <mutex>
#include <optional>

#include "runtime/Clock.h"
#include "runtime/Queues.h"

namespace tarsel {

class PairingWindow {
  public:
    // After a start that made or was given the PIN: the user is setting a phone up.
    static constexpr double kAtStartSeconds = 600.0;
    // After the user opens it from the menu or tarselctl.
    static constexpr double kOnRequestSeconds = 120.0;

    // The timers log the close when the window runs out.
    PairingWindow(const Clock& clock, Timers& timers, asio::any_io_executor executor);

    // Start-up, once: the "discovery_pin": "always" setting.
    void setAlwaysShowPin(bool always) { always_ = always; }

    // Opens for `seconds` from now, or keeps a longer window already open.
    void open(double seconds);
    void close();
    // Whole seconds left (rounded up) while open; none once closed.
    std::optional<int> secondsLeft();
    // What the discovery reply carries in its PIN field.
    bool pinInDiscovery();

  private:
    void expireIfDue();  // caller holds mutex_

    const Clock& clock_;
    Timers& timers_;
    asio::any_io_executor executor_;
    std::atomic<bool> always_ = false;
    std::mutex mutex_;
    std::optional<double> end_;  // monotonic
};

}  // namespace tarsel
