#include "web/BrowserPairing.h"

#include <cmath>

#include "runtime/Log.h"
#include "runtime/SecureRandom.h"
#include "runtime/Text.h"
#include "web/PairingKeys.h"

namespace tarsel::web {
namespace {
constexpr const char* kClosed = N_("🌐 [Web] browser pairing closed");
}

BrowserPairing::BrowserPairing(const Clock& clock, Timers& timers, asio::any_io_executor executor)
    : clock_(clock), timers_(timers), executor_(std::move(executor)) {}

void BrowserPairing::open(double seconds) {
    {
        std::lock_guard lock(mutex_);
        expireIfDue();
        const double end = clock_.monotonic() + seconds;
        if (end_ && *end_ >= end) return;
        if (!end_ && !makeToken()) {
            logLine(tr("❌ [Web] no pairing token can be made (no secure random numbers)"));
            return;
        }
        if (!end_)
            logLine(
                tr("🌐 [Web] browser pairing open: {1} minutes", static_cast<int>(seconds / 60)));
        end_ = end;
    }
    timers_.after(executor_, Seconds(seconds), [this] {
        std::unique_lock lock(mutex_);
        if (!expireIfDue()) return;
        auto waiting = takePending();
        lock.unlock();
        if (waiting) waiting->answer(false, "closed");
        changed();
    });
    changed();
}

void BrowserPairing::close() {
    std::optional<Waiting> waiting;
    {
        std::lock_guard lock(mutex_);
        if (!end_) return;
        end_.reset();
        token_.clear();
        pairId_.clear();
        waiting = takePending();
        logLine(tr(kClosed));
    }
    if (waiting) waiting->answer(false, "closed");
    changed();
}

bool BrowserPairing::expireIfDue() {
    if (!end_ || clock_.monotonic() < *end_) return false;
    end_.reset();
    token_.clear();
    pairId_.clear();
    logLine(tr(kClosed));
    return true;
}

bool BrowserPairing::makeToken() {
    std::array<uint8_t, kTokenBytes> token{};
    if (!secureRandomBytes(token.data(), token.size())) return false;
    auto keys = keysFromToken(token);
    if (!keys) return false;
    token_ = base64url(token);
    pairId_ = keys->pairId;
    key_ = keys->key;
    return true;
}

std::optional<int> BrowserPairing::secondsLeft() {
    std::unique_lock lock(mutex_);
    expireIfDue();
    if (!end_) return std::nullopt;
    return static_cast<int>(std::ceil(*end_ - clock_.monotonic()));
}

std::optional<std::string> BrowserPairing::token() {
    std::lock_guard lock(mutex_);
    expireIfDue();
    if (!end_ || token_.empty()) return std::nullopt;
    return token_;
}

std::optional<Key> BrowserPairing::redeem(std::string_view pairId) {
    std::optional<Key> key;
    {
        std::lock_guard lock(mutex_);
        expireIfDue();
        if (!end_ || pairId_.empty() || !sameBytes(bytesOf(pairId), bytesOf(pairId_)))
            return std::nullopt;
        key = key_;
        if (!makeToken()) token_.clear(), pairId_.clear();
    }
    changed();
    return key;
}

uint64_t BrowserPairing::ask(ApprovalRequest request, Answer answer) {
    std::optional<Waiting> replaced;
    uint64_t id = 0;
    {
        std::lock_guard lock(mutex_);
        expireIfDue();
        if (!end_) {
            answer(false, "closed");
            return 0;
        }
        replaced = takePending();
        id = nextId_++;
        pending_ = Waiting{id, std::move(request), std::move(answer)};
    }
    if (replaced) replaced->answer(false, "replaced");
    changed();
    return id;
}

std::optional<ApprovalRequest> BrowserPairing::pending() {
    std::lock_guard lock(mutex_);
    expireIfDue();
    if (!pending_) return std::nullopt;
    return pending_->request;
}

bool BrowserPairing::answer(std::string_view code, bool approve) {
    std::optional<Waiting> waiting;
    {
        std::lock_guard lock(mutex_);
        expireIfDue();
        if (!pending_ || pending_->request.code != code) return false;
        waiting = takePending();
    }
    waiting->answer(approve, approve ? "" : "denied");
    changed();
    return true;
}

void BrowserPairing::withdraw(uint64_t id) {
    {
        std::lock_guard lock(mutex_);
        if (!pending_ || pending_->id != id) return;
        pending_.reset();
    }
    changed();
}

void BrowserPairing::onChange(std::function<void()> listener) {
    std::lock_guard lock(mutex_);
    listener_ = std::move(listener);
}

std::optional<BrowserPairing::Waiting> BrowserPairing::takePending() {
    std::optional<Waiting> out;
    out.swap(pending_);
    return out;
}

void BrowserPairing::changed() {
    std::function<void()> listener;
    {
        std::lock_guard lock(mutex_);
        listener = listener_;
    }
    if (listener) listener();
}

}  // namespace tarsel::web
