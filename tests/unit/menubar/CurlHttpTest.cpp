// The update check's and the self-update's HTTP client against local HTTPS
// servers (the update tests' own, hence this folder): idle time-outs,
// redirects kept on the first host, the document cap.
#include <gtest/gtest.h>

#include "LocalHttps.h"
#include "platform/linux/CurlHttp.h"

namespace tarsel {
namespace {

class CurlHttpTest : public ::testing::Test {
  protected:
    testing::TempDir dir;
    testing::LocalHttps server{dir / "a"};
    testing::LocalHttps other{dir / "b"};
    CurlHttp http;
    std::atomic<bool> cancel{false};

    void SetUp() override {
        for (auto* s : {&server, &other}) {
            if (s->missing().empty()) continue;
            if (const char* ci = std::getenv("CI"); ci && std::string(ci) == "true")
                FAIL() << "missing " << s->missing();
            GTEST_SKIP() << "missing " << s->missing();
        }
        std::string bundle =
            testing::readText(server.certPath()) + testing::readText(other.certPath());
        testing::writeText(dir / "bundle.pem", bundle);
        setenv("CURL_CA_BUNDLE", (dir / "bundle.pem").c_str(), 1);
    }
    void TearDown() override { unsetenv("CURL_CA_BUNDLE"); }

    HttpResponse download(const std::string& url, double timeout = 10) {
        return http.download(url, dir / "body", timeout, cancel);
    }
};

TEST_F(CurlHttpTest, TimeOutsCutOnlyATransferThatStopsFlowing) {
    HttpResponse flowing = download(server.url("/trickle"), 1);  // 2 s in all
    EXPECT_TRUE(flowing.ok) << flowing.error;
    EXPECT_EQ(testing::readText(dir / "body"), std::string(20, 'x'));
    EXPECT_FALSE(download(server.url("/silent"), 1).ok);
}

TEST_F(CurlHttpTest, RedirectsAreFollowedOnlyOnTheFirstHost) {
    testing::writeText(server.file("version.json"), "{}");
    testing::writeText(other.file("version.json"), "{\"latest\":\"9.9.9\"}");
    HttpResponse same = http.get(server.url("/go/" + server.url("/version.json")), 5);
    EXPECT_TRUE(same.ok) << same.error;
    EXPECT_EQ(same.body, "{}");
    EXPECT_TRUE(download(server.url("/go/" + server.url("/version.json"))).ok);
    EXPECT_EQ(testing::readText(dir / "body"), "{}");

    EXPECT_FALSE(http.get(server.url("/go/" + other.url("/version.json")), 5).ok);
    EXPECT_FALSE(download(server.url("/go/" + other.url("/version.json"))).ok);
    EXPECT_EQ(other.requests(), "");
    EXPECT_EQ(http.get(server.url("/loop"), 5).error, "more than 10 redirects");
}

TEST_F(CurlHttpTest, DocumentsLargerThanTheCapFail) {
    testing::writeText(server.file("full"), std::string(kMaxDocumentBytes, 'a'));
    testing::writeText(server.file("over"), std::string(kMaxDocumentBytes + 1, 'a'));
    EXPECT_EQ(http.get(server.url("/full"), 5).body.size(), kMaxDocumentBytes);
    EXPECT_FALSE(http.get(server.url("/over"), 5).ok);
}

}  // namespace
}  // namespace tarsel
