#include "web/HttpResponses.h"

#include "web/WebCrypto.h"

namespace tarsel::web {
namespace {

// The page runs only its own scripts, talks only to its own server and is
// never framed by another site; its icon is a data: image (one request less).
constexpr std::string_view kSecurityHeaders =
    "Content-Security-Policy: default-src 'self'; script-src 'self'; connect-src 'self'; "
    "img-src 'self' data:; frame-ancestors 'none'\r\n"
    "X-Frame-Options: DENY\r\n"
    "Referrer-Policy: no-referrer\r\n"
    "X-Content-Type-Options: nosniff\r\n"
    "Cache-Control: no-cache\r\n";

std::string_view reasonOf(int status) {
    switch (status) {
        case 200:
            return "OK";
        case 304:
            return "Not Modified";
        case 400:
            return "Bad Request";
        case 403:
            return "Forbidden";
        case 404:
            return "Not Found";
        case 405:
            return "Method Not Allowed";
        case 408:
            return "Request Timeout";
        case 426:
            return "Upgrade Required";
        case 431:
            return "Request Header Fields Too Large";
        case 503:
            return "Service Unavailable";
        default:
            return "Error";
    }
}

std::string statusLine(int status) {
    return "HTTP/1.1 " + std::to_string(status) + " " + std::string(reasonOf(status)) + "\r\n";
}

}  // namespace

std::string fileResponse(const PageFile& file, const HttpRequest& request, bool keepAlive) {
    const bool current = !request.ifNoneMatch.empty() && request.ifNoneMatch == file.etag;
    const bool gzip = listsToken(request.acceptEncoding, "gzip");
    const std::string_view body = current ? "" : gzip ? file.gzip : file.raw;
    std::string out = statusLine(current ? 304 : 200);
    out += kSecurityHeaders;
    out += "ETag: " + std::string(file.etag) + "\r\n";
    out += "Content-Type: " + std::string(file.type) + "\r\n";
    if (gzip && !current) out += "Content-Encoding: gzip\r\n";
    out += "Vary: Accept-Encoding\r\n";
    out += "Content-Length: " + std::to_string(body.size()) + "\r\n";
    out += keepAlive ? "Connection: keep-alive\r\n\r\n" : "Connection: close\r\n\r\n";
    if (request.method != "HEAD") out += body;
    return out;
}

std::string upgradeResponse(std::string_view webSocketKey) {
    std::string out = "HTTP/1.1 101 Switching Protocols\r\n";
    out += kSecurityHeaders;
    out += "Upgrade: websocket\r\nConnection: Upgrade\r\n";
    out += "Sec-WebSocket-Accept: " + webSocketAccept(webSocketKey) + "\r\n\r\n";
    return out;
}

std::string refusalResponse(int status) {
    const std::string body = std::to_string(status) + " " + std::string(reasonOf(status)) + "\n";
    std::string out = statusLine(status);
    out += kSecurityHeaders;
    if (status == 405) out += "Allow: GET, HEAD\r\n";
    out += "Content-Type: text/plain; charset=utf-8\r\n";
    out += "Content-Length: " + std::to_string(body.size()) + "\r\nConnection: close\r\n\r\n";
    return out + body;
}

}  // namespace tarsel::web
