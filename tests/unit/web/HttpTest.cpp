// The page server's request reader and its check of the names it answers to.
#include <gtest/gtest.h>

#include "web/HostCheck.h"
#include "web/HttpRequest.h"

namespace tarsel::web {
namespace {

TEST(HttpRequestTest, ReadsBrowserRequestsAndRefusesAmbiguousOnes) {
    const std::string upgrade =
        "GET /ws?x=1 HTTP/1.1\r\nHost: pc.local:3090\r\nUpgrade: websocket\r\n"
        "Connection: keep-alive, Upgrade\r\nSec-WebSocket-Key: dGhlIHNhbXBsZSBub25jZQ==\r\n"
        "Sec-WebSocket-Version: 13\r\nOrigin: http://pc.local:3090\r\n\r\nNEXT";
    auto parsed = parseRequestHead(upgrade, 8192);
    ASSERT_EQ(parsed.status, HeadStatus::Complete);
    EXPECT_EQ(parsed.length, upgrade.size() - 4);
    EXPECT_EQ(parsed.request.target, "/ws?x=1");
    EXPECT_EQ(parsed.request.host, "pc.local:3090");
    EXPECT_TRUE(listsToken(parsed.request.connection, "upgrade"));
    EXPECT_TRUE(listsToken("deflate, GZIP;q=1.0", "gzip"));
    EXPECT_FALSE(listsToken("gzipx", "gzip"));

    struct Case {
        std::string head;
        HeadStatus status;
    };
    const Case cases[] = {
        {"GET / HTTP/1.1\r\nHost: a:1\r\n", HeadStatus::Incomplete},
        {"GET / HTTP/1.1\r\nX: " + std::string(9000, 'a'), HeadStatus::TooLarge},
        {"GET / HTTP/1.1\r\n\r\n", HeadStatus::Malformed},  // no Host
        {"GET / HTTP/1.1\r\nHost: a:1\r\nHost: b:1\r\n\r\n", HeadStatus::Malformed},
        {"GET / HTTP/1.1\r\nHost: a:1\r\n folded\r\n\r\n", HeadStatus::Malformed},
        {"GET / HTTP/1.1\nHost: a:1\r\n\r\n", HeadStatus::Malformed},  // bare LF
        {"GET / HTTP/2.0\r\nHost: a:1\r\n\r\n", HeadStatus::Malformed},
        {"GET /a b HTTP/1.1\r\nHost: a:1\r\n\r\n", HeadStatus::Malformed},
        {"GET / HTTP/1.1\r\nHost: a:1\r\nX: a\x01\r\n\r\n", HeadStatus::Malformed},
        {"GET / HTTP/1.1\r\nHost : a:1\r\n\r\n", HeadStatus::Malformed},
        {"GET / HTTP/1.0\r\n\r\n", HeadStatus::Complete},  // 1.0 needs none
    };
    for (const auto& c : cases)
        EXPECT_EQ(parseRequestHead(c.head, 8192).status, c.status) << c.head;
    EXPECT_TRUE(parseRequestHead("GET / HTTP/1.1\r\nHost: a:1\r\nContent-Length: 5\r\n\r\n", 8192)
                    .request.hasBody);
}

TEST(HostCheckTest, OnlyTheComputersOwnNamesWithTheWebPort) {
    const OwnNames names{{"192.168.1.20"}, "Desk", 3090};
    for (const char* host : {"192.168.1.20:3090", "desk.local:3090", "DESK.local.:3090",
                             "127.0.0.1:3090", "127.8.9.10:3090", "localhost:3090", "[::1]:3090"})
        EXPECT_TRUE(isOwnHost(host, names)) << host;
    for (const char* host : {"192.168.1.20", "192.168.1.20:80", "192.168.1.21:3090",
                             "attacker.example:3090", "desk.local.attacker.example:3090",
                             "desk:3090", "127.0.0.1.nip.io:3090", "127.1:3090", "", ":3090"})
        EXPECT_FALSE(isOwnHost(host, names)) << host;
    EXPECT_TRUE(isOwnOrigin("http://desk.local:3090", names));
    for (const char* origin : {"https://desk.local:3090", "null", "http://evil:3090",
                               "http://desk.local:3090/x", "desk.local:3090"})
        EXPECT_FALSE(isOwnOrigin(origin, names)) << origin;
}

}  // namespace
}  // namespace tarsel::web
