#include <gtest/gtest.h>

#include "menubar/TrustedUrl.h"

namespace tarsel {
namespace {

TEST(TrustedDownloadAddress, OnlyHttpsOnTheWebsiteHostItself) {
    const std::string site = "https://tarsel.example";
    EXPECT_TRUE(isTrustedDownloadAddress("https://tarsel.example/dl/Tarsel-1.0.17.dmg", site));
    EXPECT_TRUE(isTrustedDownloadAddress("https://tarsel.example:8443/a.dmg?x=1", site));
    EXPECT_FALSE(isTrustedDownloadAddress("http://tarsel.example/a.dmg", site));
    EXPECT_FALSE(isTrustedDownloadAddress("HTTPS://tarsel.example/a.dmg", site));
    EXPECT_FALSE(isTrustedDownloadAddress("ftp://tarsel.example/a.dmg", site));
    EXPECT_FALSE(isTrustedDownloadAddress("https://cdn.tarsel.example/a.dmg", site));
    EXPECT_FALSE(isTrustedDownloadAddress("https://tarsel.example.evil.test/a.dmg", site));
    EXPECT_FALSE(isTrustedDownloadAddress("https://eviltarsel.example/a.dmg", site));
    EXPECT_FALSE(isTrustedDownloadAddress("https://Tarsel.example/a.dmg", site));
    EXPECT_FALSE(isTrustedDownloadAddress("https://tarsel.example./a.dmg", site));
}

TEST(TrustedDownloadAddress, TextThatIsNoUrlOrHidesItsHostIsRefused) {
    const std::string site = "https://tarsel.example";
    EXPECT_FALSE(isTrustedDownloadAddress("", site));
    EXPECT_FALSE(isTrustedDownloadAddress("tarsel.example/a.dmg", site));
    EXPECT_FALSE(isTrustedDownloadAddress("https://tarsel.example/a b.dmg", site));
    EXPECT_FALSE(isTrustedDownloadAddress("https:///a.dmg", site));
    EXPECT_FALSE(isTrustedDownloadAddress("https://tarsel.example:x/a.dmg", site));
    // Parsers disagree on these; the downloader might fetch evil.test.
    EXPECT_FALSE(isTrustedDownloadAddress("https://evil.test@tarsel.example/a.dmg", site));
    EXPECT_FALSE(isTrustedDownloadAddress("https://evil.test\\@tarsel.example/a.dmg", site));
    EXPECT_FALSE(isTrustedDownloadAddress("https://tarsel.example\\.evil.test/a.dmg", site));
}

TEST(TrustedDownloadAddress, WebsiteWithPortNamesItsHostOnly) {
    const std::string site = "https://127.0.0.1:8443";
    EXPECT_TRUE(isTrustedDownloadAddress("https://127.0.0.1:8443/u.dmg", site));
    EXPECT_TRUE(isTrustedDownloadAddress("https://127.0.0.1/u.dmg", site));
    EXPECT_FALSE(isTrustedDownloadAddress("https://127.0.0.2:8443/u.dmg", site));
    EXPECT_FALSE(isTrustedDownloadAddress("https://localhost:8443/u.dmg", site));
}

}  // namespace
}  // namespace tarsel
