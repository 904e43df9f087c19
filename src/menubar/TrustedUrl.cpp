#include "menubar/TrustedUrl.h"

#include "menubar/Url.h"

namespace tarsel {
namespace {

bool hasAmbiguousAuthority(const std::string& address) {
    auto start = address.find("://");
    if (start == std::string::npos) return true;
    start += 3;
    auto end = address.find_first_of("/?#", start);
    auto authority = address.substr(start, end == std::string::npos ? end : end - start);
    return authority.find_first_of("@\\") != std::string::npos;
}

}  // namespace

bool isTrustedDownloadAddress(const std::string& address, const std::string& websiteURL) {
    auto target = parseURL(address);
    auto website = parseURL(websiteURL);
    if (!target || !website) return false;
    if (hasAmbiguousAuthority(address)) return false;
    return target->scheme == "https" && target->host == website->host;
}

}  // namespace tarsel
