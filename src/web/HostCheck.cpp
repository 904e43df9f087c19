#include "web/HostCheck.h"

#include <algorithm>
#include <cctype>

namespace tarsel::web {
namespace {

std::string lowered(std::string_view s) {
    std::string out(s);
    std::transform(out.begin(), out.end(), out.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return out;
}

bool isLoopbackV4(std::string_view name) {
    if (!name.starts_with("127.")) return false;
    int dots = 0;
    for (char c : name) {
        if (c == '.')
            ++dots;
        else if (!std::isdigit(static_cast<unsigned char>(c)))
            return false;
    }
    return dots == 3;
}

bool isOwnName(std::string name, const OwnNames& names) {
    if (!name.empty() && name.back() == '.') name.pop_back();  // "pc.local." names the same
    if (name == "localhost" || name == "[::1]" || isLoopbackV4(name)) return true;
    if (!names.hostName.empty() && name == lowered(names.hostName) + ".local") return true;
    return std::find(names.addresses.begin(), names.addresses.end(), name) != names.addresses.end();
}

}  // namespace

bool isOwnHost(std::string_view host, const OwnNames& names) {
    const auto colon = host.rfind(':');
    if (colon == host.npos || host.substr(colon + 1) != std::to_string(names.port)) return false;
    return isOwnName(lowered(host.substr(0, colon)), names);
}

bool isOwnOrigin(std::string_view origin, const OwnNames& names) {
    constexpr std::string_view kScheme = "http://";
    return origin.size() > kScheme.size() && lowered(origin.substr(0, 7)) == kScheme &&
           isOwnHost(origin.substr(kScheme.size()), names);
}

}  // namespace tarsel::web
