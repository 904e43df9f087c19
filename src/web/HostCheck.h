#pragma once
// Which names the page may be reached under: the computer's own IPv4
// addresses, its .local name and loopback, each with the web port. Anything
// else is another site or a DNS-rebinding name, and gets nothing.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tarsel::web {

struct OwnNames {
    std::vector<std::string> addresses;  // IPv4, dotted
    std::string hostName;                // without ".local"; "" when unknown
    uint16_t port = 0;
};

// A Host header value ("192.168.1.5:3090", "pc.local:3090", "[::1]:3090").
bool isOwnHost(std::string_view host, const OwnNames& names);
// An Origin header value: "http://" and an own host.
bool isOwnOrigin(std::string_view origin, const OwnNames& names);

}  // namespace tarsel::web
