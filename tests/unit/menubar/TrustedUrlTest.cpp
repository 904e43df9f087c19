#include <gtest/gtest.h>

#include "menubar/TrustedUrl.h"

namespace tarsel {
namespace {

// Only https on the website's host itself; text that is no URL or hides its
// host (parsers disagree on these, and the downloader might fetch evil.test)
// is refused. A website with a port names its host only.
TEST(TrustedDownloadAddress, OnlyHttpsOnTheWebsiteHostItself) {
    const std::pair<const char*, const char*> trusted[] = {
        {"https://tarsel.example/dl/Tarsel-1.0.17.dmg", "https://tarsel.example"},
        {"https://tarsel.example:8443/a.dmg?x=1", "https://tarsel.example"},
        {"https://127.0.0.1:8443/u.dmg", "https://127.0.0.1:8443"},
        {"https://127.0.0.1/u.dmg", "https://127.0.0.1:8443"}};
    for (auto [url, site] : trusted) EXPECT_TRUE(isTrustedDownloadAddress(url, site)) << url;
    for (const char* url :
         {"http://tarsel.example/a.dmg", "HTTPS://tarsel.example/a.dmg",
          "ftp://tarsel.example/a.dmg", "https://cdn.tarsel.example/a.dmg",
          "https://tarsel.example.evil.test/a.dmg", "https://eviltarsel.example/a.dmg",
          "https://Tarsel.example/a.dmg", "https://tarsel.example./a.dmg", "",
          "tarsel.example/a.dmg", "https://tarsel.example/a b.dmg", "https:///a.dmg",
          "https://tarsel.example:x/a.dmg", "https://evil.test@tarsel.example/a.dmg",
          "https://evil.test\\@tarsel.example/a.dmg", "https://tarsel.example\\.evil.test/a.dmg"})
        EXPECT_FALSE(isTrustedDownloadAddress(url, "https://tarsel.example")) << url;
    for (const char* url : {"https://127.0.0.2:8443/u.dmg", "https://localhost:8443/u.dmg"})
        EXPECT_FALSE(isTrustedDownloadAddress(url, "https://127.0.0.1:8443")) << url;
}

}  // namespace
}  // namespace tarsel
