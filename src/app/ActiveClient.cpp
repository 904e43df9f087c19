#include "app/ActiveClient.h"

namespace tarsel {

void recordClient(const std::string& ip, const std::string& name) {
    auto& g = globals();
    double now = g.clock->now();
    std::lock_guard lock(g.connectedClientLock);
    g.connectedClient = ClientRecord{ip, now, name};
}

std::optional<ClientRecord> getActiveClient() {
    auto& g = globals();
    double now = g.clock->now();
    std::lock_guard lock(g.connectedClientLock);
    if (g.connectedClient && now - g.connectedClient->lastSeen < 30.0) return g.connectedClient;
    return std::nullopt;
}

}  // namespace tarsel
