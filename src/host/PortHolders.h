#pragma once
// Which processes hold a UDP port, read from `lsof -F pPn` output.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tarsel {

// The arguments for lsof: UDP sockets on `port`, numeric, in field form.
std::vector<std::string> lsofUdpPortArguments(uint16_t port);

// Process ids (decimal text, in output order, each once) that hold a UDP
// socket whose local port is `port`, except `ownPid`. A socket that only talks
// to a remote port of that number, and any other protocol, does not count.
std::vector<std::string> udpPortHolders(std::string_view lsofFields, uint16_t port,
                                        const std::string& ownPid);

}  // namespace tarsel
