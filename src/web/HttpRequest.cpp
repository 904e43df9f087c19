#include "web/HttpRequest.h"

#include <algorithm>
#include <cctype>

namespace tarsel::web {
namespace {

bool sameText(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

bool isTokenChar(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) ||
           std::string_view("!#$%&'*+-.^_`|~").find(c) != std::string_view::npos;
}

bool isFieldChar(char c) {
    const auto u = static_cast<unsigned char>(c);
    return c == '\t' || (u >= 0x20 && u != 0x7f);
}

std::string_view trimmed(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
}

bool parseRequestLine(std::string_view line, HttpRequest& r) {
    const auto a = line.find(' ');
    const auto b = line.find(' ', a + 1);
    if (a == 0 || a == line.npos || b == line.npos || b == a + 1) return false;
    r.method = line.substr(0, a);
    r.target = line.substr(a + 1, b - a - 1);
    const auto version = line.substr(b + 1);
    if (version != "HTTP/1.1" && version != "HTTP/1.0") return false;
    r.http11 = version == "HTTP/1.1";
    return std::all_of(r.method.begin(), r.method.end(), isTokenChar) &&
           std::all_of(r.target.begin(), r.target.end(),
                       [](char c) { return c > 0x20 && c < 0x7f; });
}

bool storeHeader(std::string_view name, std::string_view value, HttpRequest& r) {
    struct Field {
        std::string_view name;
        std::string_view HttpRequest::*member;
    };
    static constexpr Field kFields[] = {
        {"host", &HttpRequest::host},
        {"origin", &HttpRequest::origin},
        {"upgrade", &HttpRequest::upgrade},
        {"connection", &HttpRequest::connection},
        {"sec-websocket-key", &HttpRequest::webSocketKey},
        {"sec-websocket-version", &HttpRequest::webSocketVersion},
        {"accept-encoding", &HttpRequest::acceptEncoding},
        {"if-none-match", &HttpRequest::ifNoneMatch},
    };
    if (sameText(name, "transfer-encoding") || (sameText(name, "content-length") && value != "0"))
        r.hasBody = true;
    for (const auto& f : kFields) {
        if (!sameText(name, f.name)) continue;
        // Two Hosts (or two of any field read here) could be read two ways.
        if (!(r.*f.member).empty() || (value.empty() && f.member == &HttpRequest::host))
            return false;
        r.*f.member = value;
    }
    return true;
}

bool parseHeader(std::string_view line, HttpRequest& r) {
    const auto colon = line.find(':');
    if (colon == 0 || colon == line.npos) return false;
    const auto name = line.substr(0, colon);
    const auto value = trimmed(line.substr(colon + 1));
    if (!std::all_of(name.begin(), name.end(), isTokenChar) ||
        !std::all_of(value.begin(), value.end(), isFieldChar))
        return false;
    return storeHeader(name, value, r);
}

}  // namespace

ParsedHead parseRequestHead(std::string_view buffer, std::size_t limit) {
    const auto end = buffer.substr(0, limit).find("\r\n\r\n");
    if (end == buffer.npos)
        return {buffer.size() >= limit ? HeadStatus::TooLarge : HeadStatus::Incomplete, {}};
    ParsedHead parsed{HeadStatus::Malformed, {}, end + 4};
    std::string_view rest = buffer.substr(0, end + 2);
    bool first = true;
    while (!rest.empty()) {
        const auto eol = rest.find("\r\n");
        const auto line = rest.substr(0, eol);
        rest.remove_prefix(eol + 2);
        if (line.find('\n') != line.npos || line.find('\r') != line.npos) return parsed;
        const bool ok = first ? parseRequestLine(line, parsed.request)
                              : !line.empty() && line[0] != ' ' && line[0] != '\t' &&
                                    parseHeader(line, parsed.request);
        if (!ok) return parsed;
        first = false;
    }
    if (parsed.request.http11 && parsed.request.host.empty()) return parsed;
    parsed.status = HeadStatus::Complete;
    return parsed;
}

bool listsToken(std::string_view value, std::string_view token) {
    while (!value.empty()) {
        const auto comma = value.find(',');
        const auto item = value.substr(0, comma);
        if (sameText(trimmed(item.substr(0, item.find(';'))), token)) return true;
        if (comma == value.npos) break;
        value.remove_prefix(comma + 1);
    }
    return false;
}

}  // namespace tarsel::web
