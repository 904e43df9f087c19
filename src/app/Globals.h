#pragma once
// The process-wide values, created once by start-up in this order.
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/PathMonitor.h"
#include "platform/ServiceAdvertiser.h"
#include "runtime/Clock.h"
#include "runtime/SerialQueue.h"

namespace tarsel {

class UdpServer;

struct ClientRecord {
    std::string ip;
    double lastSeen = 0;  // wall clock, seconds since 1970
    std::string name;     // a paired browser's; "" for the phone app
};

struct Globals {
    std::vector<std::string> arguments;  // command line after the program name
    std::string appSupportDir;
    std::string configPath;
    std::string serverPIN;
    uint16_t port = 3000;
    std::unique_ptr<SerialQueue> ipQueue;
    std::string currentIP = "127.0.0.1";
    std::unique_ptr<PathWatch> pathMonitor;
    std::unique_ptr<SerialQueue> pathMonitorQueue;
    std::string shortcutsDBPath;
    std::optional<ClientRecord> connectedClient;
    std::mutex connectedClientLock;
    std::shared_ptr<UdpServer> activeListener;
    std::string serverVersion = TARSEL_VERSION;
    std::unique_ptr<Advertisement> bonjourService;
    Clock* clock = &Clock::system();
};

Globals& globals();

}  // namespace tarsel
