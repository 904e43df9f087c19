#pragma once
// A bounded reader of the few HTTP/1.1 requests a browser sends the page's
// server: GET for the files and the WebSocket upgrade. Views into the buffer.
#include <cstddef>
#include <string_view>

namespace tarsel::web {

struct HttpRequest {
    std::string_view method, target;
    bool http11 = true;  // else HTTP/1.0
    std::string_view host, origin, upgrade, connection, webSocketKey, webSocketVersion,
        acceptEncoding, ifNoneMatch;
    bool hasBody = false;  // Content-Length other than 0, or Transfer-Encoding
};

enum class HeadStatus { Incomplete, Complete, Malformed, TooLarge };

struct ParsedHead {
    HeadStatus status;
    HttpRequest request;
    std::size_t length = 0;  // of the head with its blank line, when complete
};

// The head at the start of `buffer`, which may hold more; past `limit` bytes
// without its end it is too large. Strict: CRLF line ends, no folded lines,
// no control characters, one Host.
ParsedHead parseRequestHead(std::string_view buffer, std::size_t limit);

// Whether a comma-separated header value lists `token`, in any letter case
// and with any parameters ("gzip;q=1").
bool listsToken(std::string_view value, std::string_view token);

}  // namespace tarsel::web
