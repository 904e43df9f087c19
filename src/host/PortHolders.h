#pragma once
// Which processes hold a UDP port, read from `lsof -F pPn` output.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Host.h"

namespace tarsel {

// The arguments for lsof: UDP sockets on `port`, numeric, in field form.
std::vector<std::string> lsofUdpPortArguments(uint16_t port);

// Process ids (decimal text, in output order, each once) that hold a UDP
// socket whose local port is `port`, except `ownPid`. A socket that only talks
// to a remote port of that number, and any other protocol, does not count.
std::vector<std::string> udpPortHolders(std::string_view lsofFields, uint16_t port,
                                        const std::string& ownPid);

// A UDP socket bound to a port, as the kernel lists it for every user
// (/proc/net/udp and udp6), even where the process that holds it is hidden.
struct UdpSocketEntry {
    unsigned uid = 0;
    uint64_t inode = 0;
};
std::vector<UdpSocketEntry> udpSocketsOnPort(std::string_view procNetUdp, uint16_t port);

// "bob (python3, PID 4242)", "root" where the process is hidden.
std::string describePortOwner(const PortOwner& owner);
// The owner's user name, else its uid: what the menu and the window show.
std::string portOwnerUser(const PortOwner& owner);

}  // namespace tarsel
