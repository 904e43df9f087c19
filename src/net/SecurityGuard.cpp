#include "net/SecurityGuard.h"

#include <algorithm>
#include <memory>

#include "runtime/Log.h"
#include "runtime/Text.h"

namespace tarsel {

namespace {
std::unique_ptr<SecurityGuard>& sharedGuard() {
    static auto* guard = new std::unique_ptr<SecurityGuard>(std::make_unique<SecurityGuard>());
    return *guard;
}
}  // namespace

SecurityGuard& SecurityGuard::shared() {
    return *sharedGuard();
}

void SecurityGuard::resetShared() {
    sharedGuard() = std::make_unique<SecurityGuard>();
}

namespace {

// A refusal count's line: what was refused, how many, and that the phone in
// use is still served.
std::function<std::string(std::size_t)> refusalLine(std::string what) {
    return [what = std::move(what)](std::size_t n) { return tr(what.c_str(), n); };
}

}  // namespace

// Lines per address as the parse-failure line has them; in total fewer, so a
// flood from thousands of addresses leaves a readable log.
SecurityGuard::SecurityGuard(const Clock& clock, std::size_t capacity)
    : clock_(clock),
      capacity_(capacity),
      budget_{budgetBurst, clock.monotonic()},
      parseBudget_{parseBurst, clock.monotonic()},
      lines_(clock, {1.0, 12.0, 20.0, 50.0, 4096}),
      dropped_(clock, reportEvery,
               refusalLine(N_("⛔️ [Security] requests dropped unchecked after too many wrong "
                              "PINs: {1} (devices that proved the PIN are still served)"))),
      unparsed_(clock, reportEvery,
                refusalLine(N_(
                    "⛔️ [Security] requests dropped unread from devices without the PIN, for "
                    "coming too often: {1} (devices that proved the PIN are still served)"))) {}

bool SecurityGuard::provenLocked(const Endpoint& peer, double now) const {
    auto it = proven_.find(peer.key());
    return it != proven_.end() && now - it->second < provenFor;
}

bool SecurityGuard::isLocked(const Endpoint& peer) {
    std::lock_guard guard(lock_);
    auto it = lockouts_.find(peer.ip);
    if (it == lockouts_.end()) return false;
    if (clock_.now() < it->second) return !provenLocked(peer, clock_.monotonic());
    lockouts_.erase(it);
    failures_.erase(peer.ip);
    if (lines_.allow(peer.ip)) logLine(tr("🔓 [Security] IP {1} unlocked", peer.ip));
    return false;
}

bool SecurityGuard::admits(const Endpoint& peer) {
    std::lock_guard guard(lock_);
    double now = clock_.monotonic();
    if (provenLocked(peer, now) || budget_.hasToken(now, budgetPerSecond, budgetBurst)) return true;
    dropped_.count();
    return false;
}

bool SecurityGuard::admitsParse(const Endpoint& peer, std::size_t bytes) {
    std::lock_guard guard(lock_);
    double now = clock_.monotonic();
    if (provenLocked(peer, now) ||
        parseBudget_.take(now, parseBytesPerSecond, parseBurst, static_cast<double>(bytes)))
        return true;
    unparsed_.count();
    return false;
}

void SecurityGuard::revoke(const Endpoint& peer) {
    std::lock_guard guard(lock_);
    if (!proven_.empty()) proven_.erase(peer.key());
}

bool SecurityGuard::registerFailure(const Endpoint& peer) {
    std::lock_guard guard(lock_);
    if (!proven_.empty()) proven_.erase(peer.key());
    double now = clock_.now();
    budget_.take(clock_.monotonic(), budgetPerSecond, budgetBurst);
    if (!failures_.count(peer.ip)) makeRoom(now);
    auto& list = failures_[peer.ip];
    list.push_back(now);
    std::erase_if(list, [&](double t) { return !(now - t < window); });
    const bool logged = lines_.allow(peer.ip);
    if (logged)
        logLine(
            tr("⚠️ [Security] IP {1} wrong PIN ({2}/{3})", peer.ip, list.size(), maxFailures));
    if (static_cast<int>(list.size()) < maxFailures) return logged;
    lockouts_[peer.ip] = now + lockoutDuration;
    list.clear();
    if (logged) logLine(tr("⛔️ [Security] IP {1} locked out (for 5 minutes)", peer.ip));
    return logged;
}

void SecurityGuard::reset(const Endpoint& peer) {
    std::lock_guard guard(lock_);
    failures_.erase(peer.ip);
    double now = clock_.monotonic();
    auto [it, first] = proven_.try_emplace(peer.key(), now);
    if (!first && now - it->second < provenFor) {
        it->second = now;
        return;
    }
    it->second = now;
    // Rate-limited like the failure lines: one holder of the PIN opening
    // thousands of ports must not fill the log.
    if (lines_.allow(peer.ip))
        logLine(tr("📱 [Security] a new device proved the PIN: {1}", peer.key()));
    if (proven_.size() <= maxProven) return;
    // Only PIN holders get here; the longest silent goes first.
    auto oldest = std::min_element(proven_.begin(), proven_.end(),
                                   [](auto& a, auto& b) { return a.second < b.second; });
    proven_.erase(oldest);
}

void SecurityGuard::sweep() {
    std::lock_guard guard(lock_);
    sweepLocked(clock_.now());
    double now = clock_.monotonic();
    std::erase_if(proven_, [&](const auto& e) { return !(now - e.second < provenFor); });
}

std::size_t SecurityGuard::trackedAddresses() const {
    std::lock_guard guard(lock_);
    return failures_.size() + lockouts_.size();
}

// Ended lockouts stay until their address's next check, which logs the
// unlock; only makeRoom drops them, and only when the tables are full.
void SecurityGuard::sweepLocked(double now) {
    std::erase_if(failures_, [&](const auto& e) {
        if (lockouts_.count(e.first)) return false;
        return e.second.empty() || !(now - e.second.back() < window);
    });
}

// At capacity: drop what has aged out, then the counting addresses whose last
// failure is oldest. Lockouts are dropped last, those ending soonest first.
void SecurityGuard::makeRoom(double now) {
    if (failures_.size() + lockouts_.size() < capacity_) return;
    sweepLocked(now);
    std::size_t target = capacity_ - capacity_ / 8;
    if (failures_.size() + lockouts_.size() < target) return;
    std::vector<std::pair<double, std::string>> counting;
    for (auto& [ip, list] : failures_)
        if (!lockouts_.count(ip)) counting.emplace_back(list.empty() ? 0 : list.back(), ip);
    std::sort(counting.begin(), counting.end());
    for (auto& [t, ip] : counting) {
        if (failures_.size() + lockouts_.size() < target) return;
        failures_.erase(ip);
    }
    std::vector<std::pair<double, std::string>> locked;
    for (auto& [ip, end] : lockouts_) locked.emplace_back(end, ip);
    std::sort(locked.begin(), locked.end());
    for (auto& [end, ip] : locked) {
        if (failures_.size() + lockouts_.size() < target) return;
        lockouts_.erase(ip);
        failures_.erase(ip);
    }
}

}  // namespace tarsel
