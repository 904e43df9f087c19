#include "host/PortHolders.h"

#include <algorithm>
#include <cstdio>

namespace tarsel {
namespace {

// "127.0.0.1:3000", "[::1]:3000", "*:3000", "10.0.0.2:3000->10.0.0.9:5353"
bool localPortIs(std::string_view name, const std::string& port) {
    name = name.substr(0, name.find("->"));
    auto colon = name.rfind(':');
    return colon != std::string_view::npos && name.substr(colon + 1) == port;
}

}  // namespace

std::vector<UdpSocketEntry> udpSocketsOnPort(std::string_view text, uint16_t port) {
    std::vector<UdpSocketEntry> out;
    char wanted[8];
    std::snprintf(wanted, sizeof wanted, ":%04X", static_cast<unsigned>(port));
    while (!text.empty()) {
        const auto end = text.find('\n');
        const std::string line(text.substr(0, end));
        text = end == std::string_view::npos ? "" : text.substr(end + 1);
        // sl local rem st tx:rx tr:when retrnsmt uid timeout inode ...
        char local[64] = {}, remote[64] = {};
        unsigned uid = 0;
        unsigned long long inode = 0;
        if (std::sscanf(line.c_str(), " %*[0-9]: %63s %63s %*x %*s %*s %*s %u %*d %llu", local,
                        remote, &uid, &inode) != 4)
            continue;  // the header, or a line of another shape
        const std::string_view l(local);
        if (l.size() > 5 && l.substr(l.size() - 5) == wanted) out.push_back({uid, inode});
    }
    return out;
}

std::string portOwnerUser(const PortOwner& owner) {
    return owner.user.empty() ? std::to_string(owner.uid) : owner.user;
}

std::string describePortOwner(const PortOwner& owner) {
    std::string text = portOwnerUser(owner);
    if (owner.pid)
        text += " (" + (owner.program.empty() ? std::string("?") : owner.program) + ", PID " +
                std::to_string(*owner.pid) + ")";
    return text;
}

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
