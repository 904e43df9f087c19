#include "net/LocalAddress.h"

#include "app/Globals.h"
#include "platform/Platform.h"
#include "runtime/Log.h"
#include "runtime/Unicode.h"

namespace tarsel {

std::optional<std::string> getIP(const std::string& interfaceName) {
    auto answer = app().host.interfaceAddress(interfaceName);
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
    auto& host = app().host;
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

std::string getCurrentIP() {
    auto& g = globals();
    return g.ipQueue->sync([&g] { return g.currentIP; });
}

void updateCurrentIP() {
    auto& g = globals();
    g.ipQueue->async([&g] {
        std::string ip = getLocalIP();
        if (ip == g.currentIP) return;
        g.currentIP = ip;
        logLine("📡 [네트워크 변경] IP 갱신: " + ip);
    });
}

void startNetworkPathMonitoring() {
    auto& g = globals();
    g.ipQueue->sync([&g] { g.currentIP = getLocalIP(); });
    g.pathMonitor = app().pathMonitor->start([&g](bool satisfied) {
        g.pathMonitorQueue->async([satisfied] {
            if (satisfied) updateCurrentIP();
        });
    });
    logLine("📡 [Path Monitor] 네트워크 경로 모니터링 시작");
}

}  // namespace tarsel
