#include <gtest/gtest.h>

#include "menubar/UpdateCheck.h"
#include "menubar/Url.h"

namespace tarsel {
namespace {

const std::string kDefault = "https://tarsel.example/downloads.html";

TEST(Manifest, OnlyLatestFallsBackToTheDownloadsPageAndClearsTheRest) {
    auto info = parseManifest(R"({"mac":{"latest":"1.0.17"},"windows":{"latest":"9"}})", kDefault);
    ASSERT_TRUE(info);
    EXPECT_EQ(info->latest, "1.0.17");
    EXPECT_EQ(info->downloadURL, kDefault);
    EXPECT_FALSE(info->dmgURL);
    EXPECT_FALSE(info->sha256);
}

TEST(Manifest, MembersOfTheWrongTypeCountAsAbsent) {
    auto info = parseManifest(
        R"({"mac":{"latest":"2.0","url":5,"dmg_url":"https://tarsel.example/a.dmg","sha256":null}})",
        kDefault);
    ASSERT_TRUE(info);
    EXPECT_EQ(info->downloadURL, kDefault);
    EXPECT_EQ(info->dmgURL, "https://tarsel.example/a.dmg");
    EXPECT_FALSE(info->sha256);
    info = parseManifest(R"({"mac":{"latest":"2.0","url":"https://x.example/d","sha256":"AB "}})",
                         kDefault);
    ASSERT_TRUE(info);
    EXPECT_EQ(info->downloadURL, "https://x.example/d");
    EXPECT_EQ(info->sha256, "AB ");  // kept verbatim
}

TEST(Manifest, ParseFailures) {
    for (const char* body :
         {"", "   ", "[]", R"([{"mac":{"latest":"1.0.17"}}])", "null", "\"1.0.17\"", "{",
          R"({"mac":{"latest":1.0}})", R"({"mac":{"latest":null}})", R"({"mac":{}})",
          R"({"mac":"1.0.17"})", R"({"latest":"1.0.17"})", "<html>404</html>"}) {
        EXPECT_FALSE(parseManifest(body, kDefault)) << body;
    }
}

TEST(Url, ParsesTheAddressesTheAgentUses) {
    auto url = parseURL("https://127.0.0.1:8443/version.json");
    ASSERT_TRUE(url);
    EXPECT_EQ(url->scheme, "https");
    EXPECT_EQ(url->host, "127.0.0.1");
    EXPECT_EQ(url->port, "8443");
    EXPECT_EQ(url->authority(), "127.0.0.1:8443");
    EXPECT_EQ(url->path, "/version.json");
    url = parseURL("https://user@tarsel.example");
    ASSERT_TRUE(url);
    EXPECT_EQ(url->host, "tarsel.example");
    EXPECT_EQ(url->path, "");
    for (const char* bad : {"", "tarsel.example", "https://", "https://:80/", "https://a b/",
                            "https://host:port/", "https://é.example/", "1http://x/"})
        EXPECT_FALSE(parseURL(bad)) << bad;
}

}  // namespace
}  // namespace tarsel
