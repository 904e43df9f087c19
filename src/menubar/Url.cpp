#include "menubar/Url.h"

#include <cctype>

namespace tarsel {
namespace {

bool isPrintableAscii(const std::string& s) {
    for (unsigned char c : s)
        if (c <= 0x20 || c >= 0x7f) return false;
    return true;
}

bool isScheme(const std::string& s) {
    if (s.empty() || !std::isalpha(static_cast<unsigned char>(s[0]))) return false;
    for (unsigned char c : s)
        if (!std::isalnum(c) && c != '+' && c != '-' && c != '.') return false;
    return true;
}

bool isDigits(const std::string& s) {
    for (unsigned char c : s)
        if (!std::isdigit(c)) return false;
    return true;
}

}  // namespace

std::optional<ParsedURL> parseURL(const std::string& text) {
    if (!isPrintableAscii(text)) return std::nullopt;
    size_t sep = text.find("://");
    if (sep == std::string::npos) return std::nullopt;
    ParsedURL url;
    url.scheme = text.substr(0, sep);
    if (!isScheme(url.scheme)) return std::nullopt;
    size_t start = sep + 3;
    size_t end = text.find_first_of("/?#", start);
    if (end == std::string::npos) end = text.size();
    std::string authority = text.substr(start, end - start);
    url.path = text.substr(end);
    size_t at = authority.rfind('@');
    if (at != std::string::npos) authority = authority.substr(at + 1);
    size_t colon = authority.rfind(':');
    if (colon != std::string::npos && authority.find(']', colon) == std::string::npos) {
        url.port = authority.substr(colon + 1);
        authority = authority.substr(0, colon);
        if (url.port.empty() || !isDigits(url.port)) return std::nullopt;
    }
    url.host = authority;
    if (url.host.empty()) return std::nullopt;
    return url;
}

}  // namespace tarsel
