#pragma once
// Just enough URL parsing for the website, manifest and download addresses.
#include <optional>
#include <string>

namespace tarsel {

struct ParsedURL {
    std::string scheme;  // lower-case as written is kept; compare exactly
    std::string host;    // without user info and port
    std::string port;    // digits, "" when absent
    std::string path;    // from the first "/" after the authority, with query
    // "host" or "host:port", as TARSEL_WEBSITE_HOST spells it.
    std::string authority() const { return port.empty() ? host : host + ":" + port; }
};

// Absolute "scheme://authority/path" URLs only. Whitespace, control and
// non-ASCII characters, an empty host or a non-numeric port make it fail.
std::optional<ParsedURL> parseURL(const std::string& text);

}  // namespace tarsel
