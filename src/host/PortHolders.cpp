#include "host/PortHolders.h"

#include <algorithm>

namespace tarsel {
namespace {

// "127.0.0.1:3000", "[::1]:3000", "*:3000", "10.0.0.2:3000->10.0.0.9:5353"
bool localPortIs(std::string_view name, const std::string& port) {
    name = name.substr(0, name.find("->"));
    auto colon = name.rfind(':');
    return colon != std::string_view::npos && name.substr(colon + 1) == port;
}

}  // namespace

std::vector<std::string> lsofUdpPortArguments(uint16_t port) {
    return {"-nP", "-w", "-iUDP:" + std::to_string(port), "-FpPn"};
}

std::vector<std::string> udpPortHolders(std::string_view lsofFields, uint16_t port,
                                        const std::string& ownPid) {
    const std::string portText = std::to_string(port);
    std::vector<std::string> pids;
    std::string pid, protocol;
    while (!lsofFields.empty()) {
        auto end = lsofFields.find('\n');
        std::string_view line = lsofFields.substr(0, end);
        lsofFields = end == std::string_view::npos ? "" : lsofFields.substr(end + 1);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (line.empty()) continue;
        std::string_view value = line.substr(1);
        switch (line.front()) {
            case 'p':
                pid = value;
                protocol.clear();
                break;
            case 'f':
                protocol.clear();
                break;  // a new file of the same process
            case 'P':
                protocol = value;
                break;
            case 'n':
                if (pid.empty() || pid == ownPid || protocol != "UDP") break;
                if (!localPortIs(value, portText)) break;
                if (std::find(pids.begin(), pids.end(), pid) == pids.end()) pids.push_back(pid);
                break;
            default:
                break;
        }
    }
    return pids;
}

}  // namespace tarsel
