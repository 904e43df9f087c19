#include "net/LocalAddress.h"

#include <mutex>

#include "app/Globals.h"
#include "platform/Platform.h"
#include "runtime/Log.h"
#include "runtime/Unicode.h"

namespace tarsel {

std::optional<std::string> getIP(const std::string& interfaceName) {
    auto answer = platform().host.interfaceAddress(interfaceName);
    if (!answer) return std::nullopt;
    return unicode::trimWhitespaceAndNewlines(*answer);
}

std::string chooseLocalIP(const std::vector<std::optional<std::string>>& interfaceAnswers,
                          const std::vector<std::string>& hostAddresses) {
    for (auto& a : interfaceAnswers)
        if (a && !a->empty()) return *a;
    for (auto& address : hostAddresses) {
        if (address.rfind("192.168.", 0) == 0 || address.rfind("10.", 0) == 0 ||
            address.rfind("172.", 0) == 0)
            return address;
    }
    return "127.0.0.1";
}

std::string getLocalIP() {
    auto& host = platform().host;
    std::vector<std::optional<std::string>> answers;
    auto names = host.preferredInterfaces();
    for (std::size_t i = 0; i < names.size() && i < 2; ++i) {
        answers.push_back(getIP(names[i]));
        if (answers.back() && !answers.back()->empty()) break;  // no need to ask further
    }
    if (!answers.empty() && answers.back() && !answers.back()->empty())
        return chooseLocalIP(answers, {});
    return chooseLocalIP(answers, host.hostAddresses());
}

namespace {

// Readers take this lock instead of waiting on ipQueue: receive handlers run on
// the pool that also runs ipQueue, and once every pool thread waited on it (a
// scan flood does that) nothing was left to run the queue, and the agent hung.
std::mutex& currentIPLock() {
    static std::mutex lock;
    return lock;
}

void setCurrentIP(const std::string& ip) {
    std::lock_guard lock(currentIPLock());
    globals().currentIP = ip;
}

}  // namespace

std::string getCurrentIP() {
    std::lock_guard lock(currentIPLock());
    return globals().currentIP;
}

void updateCurrentIP() {
    auto& g = globals();
    g.ipQueue->async([] {
        std::string ip = getLocalIP();
        if (ip == getCurrentIP()) return;  // only ipQueue writes, so no race here
        setCurrentIP(ip);
        logLine("📡 [네트워크 변경] IP 갱신: " + ip);
    });
}

void startNetworkPathMonitoring() {
    auto& g = globals();
    g.ipQueue->sync([] { setCurrentIP(getLocalIP()); });
    g.pathMonitor = platform().pathMonitor->start([&g](bool satisfied) {
        g.pathMonitorQueue->async([satisfied] {
            if (satisfied) updateCurrentIP();
        });
    });
    logLine("📡 [Path Monitor] 네트워크 경로 모니터링 시작");
}

}  // namespace tarsel
