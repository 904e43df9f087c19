#include "net/Pairing.h"

#include <cmath>

#include "runtime/Log.h"
#include "runtime/Text.h"

namespace tarsel {
namespace {
constexpr const char* kClosed =
    N_("📡 [Pairing] pairing closed: discovery replies no longer carry the PIN");
}

PairingWindow::PairingWindow(const Clock& clock, Timers& timers, asio::any_io_executor executor)
    : clock_(clock), timers_(timers), executor_(std::move(executor)) {}

void PairingWindow::open(double seconds) {
    std::lock_guard lock(mutex_);
    expireIfDue();
    const double end = clock_.monotonic() + seconds;
    if (end_ && *end_ >= end) return;
    const bool wasOpen = end_.has_value();
    end_ = end;
    if (!wasOpen)
        logLine(tr("📡 [Pairing] pairing open: discovery replies carry the PIN for {1} minutes",
                   static_cast<int>(seconds / 60)));
    timers_.after(executor_, Seconds(seconds), [this] {
        std::lock_guard lock(mutex_);
        expireIfDue();
    });
}

void PairingWindow::close() {
    std::lock_guard lock(mutex_);
    if (!end_) return;
    end_.reset();
    logLine(tr(kClosed));
}

void PairingWindow::expireIfDue() {
    if (!end_ || clock_.monotonic() < *end_) return;
    end_.reset();
    logLine(tr(kClosed));
}

std::optional<int> PairingWindow::secondsLeft() {
    std::lock_guard lock(mutex_);
    expireIfDue();
    if (!end_) return std::nullopt;
    return static_cast<int>(std::ceil(*end_ - clock_.monotonic()));
}

bool PairingWindow::pinInDiscovery() {
    return always_ || secondsLeft().has_value();
}

}  // namespace tarsel
