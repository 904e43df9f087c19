#include "net/SecurityGuard.h"

#include <algorithm>

#include "runtime/Log.h"

namespace tarsel {

SecurityGuard& SecurityGuard::shared() {
    static SecurityGuard* guard = new SecurityGuard();
    return *guard;
}

SecurityGuard::SecurityGuard(const Clock& clock, std::size_t capacity)
    : clock_(clock), capacity_(capacity) {}

bool SecurityGuard::isLocked(const std::string& ip) {
    std::lock_guard guard(lock_);
    auto it = lockouts_.find(ip);
    if (it == lockouts_.end()) return false;
    if (clock_.now() < it->second) return true;
    lockouts_.erase(it);
    failures_.erase(ip);
    logLine("🔓 [Security] IP " + ip + " 잠금 해제됨");
    return false;
}

void SecurityGuard::registerFailure(const std::string& ip) {
    std::lock_guard guard(lock_);
    double now = clock_.now();
    if (!failures_.count(ip)) makeRoom(now);
    auto& list = failures_[ip];
    list.push_back(now);
    std::erase_if(list, [&](double t) { return !(now - t < window); });
    logLine("⚠️ [Security] IP " + ip + " 인증 실패 (" + std::to_string(list.size()) + "/" +
            std::to_string(maxFailures) + ")");
    if (static_cast<int>(list.size()) < maxFailures) return;
    lockouts_[ip] = now + lockoutDuration;
    list.clear();
    logLine("⛔️ [Security] IP " + ip + " 차단됨 (5분간 접속 불가)");
}

void SecurityGuard::reset(const std::string& ip) {
    std::lock_guard guard(lock_);
    failures_.erase(ip);
}

void SecurityGuard::sweep() {
    std::lock_guard guard(lock_);
    sweepLocked(clock_.now());
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
