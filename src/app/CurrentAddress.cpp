#include "app/CurrentAddress.h"

#include <mutex>

#include "app/Globals.h"
#include "net/LocalAddress.h"
#include "platform/Platform.h"
#include "runtime/Log.h"
#include "runtime/Text.h"

namespace tarsel {
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
        logLine(tr("📡 [Network change] address updated: {1}", ip));
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
    logLine(tr("📡 [Path Monitor] watching the network paths"));
}

}  // namespace tarsel
