// The whole job against a local HTTPS server and the real libcurl client,
// with stand-ins for hdiutil, codesign, spctl and stapler: every way it can
// end, and what it leaves behind.
#include <gtest/gtest.h>

#include <regex>

#include "LocalHttps.h"
#include "LogCapture.h"
#include "StandIns.h"
#include "TestPlatform.h"
#include "menubar/SelfUpdateJob.h"
#include "menubar/Sha256.h"
#include "menubar/StatusBarController.h"
#include "platform/MacHostPaths.h"
#include "platform/linux/CurlHttp.h"

namespace tarsel {
namespace {

using testing::fs::path;

const std::string kTeam = "K7M2XQ9PLA";

class SelfUpdateJobTest : public ::testing::Test {
  protected:
    testing::TempDir dir;
    testing::StandInTools tools{dir / "tools"};
    testing::LocalHttps server{dir / "www"};
    path tmp = dir / "tmp";
    HostConstants host;
    std::shared_ptr<testing::Seen> seen;
    std::unique_ptr<StatusBarController> controller;
    testing::LogCapture log;
    std::vector<std::pair<std::string, std::string>> handedOver;
    std::string digest;

    void SetUp() override {
        if (!server.missing().empty()) {
            if (const char* ci = std::getenv("CI"); ci && std::string(ci) == "true")
                FAIL() << "missing " << server.missing();
            GTEST_SKIP() << "missing " << server.missing();
        }
        setenv("CURL_CA_BUNDLE", server.certPath().c_str(), 1);
        applyMacHostPaths(host);
        host.homeDir = dir / "home";
        host.tempDir = tmp.string();
        host.shasumPath = "/usr/bin/shasum";
        host.hdiutilPath = tools.path("hdiutil");
        host.codesignPath = tools.path("codesign");
        host.spctlPath = tools.path("spctl");
        host.staplerPath = tools.path("stapler");
        testing::fs::create_directories(tmp);
        seen = testing::installTestPlatform(host, "/dev/null", std::make_unique<CurlHttp>());
        controller = testing::testController(server.host());
        publishImage(kTeam);
    }

    void TearDown() override { unsetenv("CURL_CA_BUNDLE"); }

    // "update.dmg" on the server: a signed bundle at the image's root.
    void publishImage(const std::string& team, const std::string& inside = "TarselServer.app") {
        path content = dir / "image";
        testing::fs::remove_all(content);
        tools.makeSignedBundle(content / inside, "1.0.17", team);
        testing::StandInTools::makeImage(content, server.file("update.dmg"));
        digest = *sha256Hex(server.file("update.dmg").string(), "/usr/bin/shasum");
    }

    SelfUpdateJob job(const std::string& pathOnServer = "/update.dmg") {
        SelfUpdateJob j;
        j.address = server.url(pathOnServer);
        j.expectedSHA256 = digest;
        j.handOver = [this](const std::string& app, const std::string& work) {
            handedOver.emplace_back(app, work);
        };
        return j;
    }

    // Runs the job; for a failure, checks the fallback and returns its reason.
    std::string failureOf(const SelfUpdateJob& j) {
        seen->alerts.clear();
        log.clear();
        runSelfUpdateJob(*controller, j);
        EXPECT_TRUE(handedOver.empty());
        EXPECT_EQ(controller->updateState, UpdateState::idle);
        EXPECT_TRUE(workDirectories().empty()) << "left behind: " << workDirectories()[0];
        auto lines = log.lines();
        if (lines.empty() || seen->alerts.size() != 1) return "(no fallback)";
        const std::string prefix = "⚠️ 자동 업데이트 폴백: ";
        EXPECT_EQ(lines.back().rfind(prefix, 0), 0u) << lines.back();
        std::string reason = lines.back().substr(prefix.size());
        const AlertSpec& alert = seen->alerts[0];
        EXPECT_EQ(alert.message, "자동 설치를 완료하지 못했습니다");
        EXPECT_EQ(alert.informative,
                  "다운로드 페이지에서 직접 받아 설치할 수 있습니다.\n\n(사유: " + reason + ")");
        EXPECT_EQ(alert.buttons, (std::vector<std::string>{"다운로드 페이지 열기", "나중에"}));
        return reason;
    }

    std::vector<std::string> workDirectories() {
        std::vector<std::string> out;
        for (auto& e : testing::fs::directory_iterator(tmp)) out.push_back(e.path().string());
        return out;
    }

    std::string hdiutilCalls() {
        std::string out;
        std::stringstream in(tools.calls());
        for (std::string l; std::getline(in, l);)
            if (l.rfind("hdiutil ", 0) == 0) out += l.substr(0, l.find(' ', 8)) + "\n";
        return out;
    }
};

TEST_F(SelfUpdateJobTest, VerifiedBundleIsHandedOverInItsWorkDirectory) {
    SelfUpdateJob j = job();
    std::transform(digest.begin(), digest.end(), digest.begin(), ::toupper);
    j.expectedSHA256 = digest;  // the manifest's case does not matter
    runSelfUpdateJob(*controller, j);
    ASSERT_EQ(handedOver.size(), 1u) << testing::readText(dir / "tools/calls");
    auto [app, work] = handedOver[0];
    EXPECT_TRUE(std::regex_match(
        work, std::regex(tmp.string() + "/tsl_update_[0-9A-F]{8}(-[0-9A-F]{4}){3}-[0-9A-F]{12}")))
        << work;
    EXPECT_EQ(app, work + "/TarselServer.app");
    EXPECT_EQ(testing::bundleVersion(app), "#!/bin/sh\necho 1.0.17\n");
    EXPECT_TRUE(testing::fs::exists(work + "/update.dmg"));
    EXPECT_EQ(controller->updateState, UpdateState::installing);
    EXPECT_EQ(log.lines(), std::vector<std::string>{"✅ 보안 검증 통과 (서명·TeamID·spctl·공증)"});
    EXPECT_NE(tools.calls().find("hdiutil attach " + work + "/update.dmg -mountpoint " + work +
                                 "/mnt -nobrowse -noautoopen -noverify\n"),
              std::string::npos);
    EXPECT_NE(tools.calls().find("hdiutil detach " + work + "/mnt -force\n"), std::string::npos);
    EXPECT_TRUE(seen->alerts.empty());
}

TEST_F(SelfUpdateJobTest, ManifestWithoutDigestSkipsTheIntegrityCheck) {
    SelfUpdateJob j = job();
    j.expectedSHA256 = std::nullopt;
    runSelfUpdateJob(*controller, j);
    EXPECT_EQ(handedOver.size(), 1u);
    j.expectedSHA256 = "";
    runSelfUpdateJob(*controller, j);
    EXPECT_EQ(handedOver.size(), 2u);
}

TEST_F(SelfUpdateJobTest, NotFoundOrNoConnectionIsADownloadFailure) {
    EXPECT_EQ(failureOf(job("/absent.dmg")), "다운로드 실패");  // 404
    EXPECT_NE(server.requests().find("/absent.dmg"), std::string::npos);
    SelfUpdateJob j = job();
    j.address = "https://127.0.0.1:1/update.dmg";
    EXPECT_EQ(failureOf(j), "다운로드 실패");
}

TEST_F(SelfUpdateJobTest, TransferStillRunningAfterTheWaitIsCancelled) {
    SelfUpdateJob j = job("/stall");
    j.downloadWaitSeconds = 1;
    EXPECT_EQ(failureOf(j), "다운로드 실패");
    // The server notices the client going away (it may take a moment).
    for (int i = 0; i < 200 && server.requests().find("stall closed") == std::string::npos; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_NE(server.requests().find("stall closed"), std::string::npos);
}

TEST_F(SelfUpdateJobTest, DigestThatDiffersOrIsMissingFailsIntegrity) {
    SelfUpdateJob j = job();
    j.expectedSHA256 = digest + "\n";  // never trimmed
    EXPECT_EQ(failureOf(j), "파일 무결성 검증 실패");
    EXPECT_EQ(hdiutilCalls(), "");  // nothing mounted
}

TEST_F(SelfUpdateJobTest, DigestToolThatGivesNothingFailsIntegrity) {
    tools.tool("shasum", "exit 1");
    host.shasumPath = tools.path("shasum");
    platform().host.shasumPath = host.shasumPath;
    EXPECT_EQ(failureOf(job()), "파일 무결성 검증 실패");
}

TEST_F(SelfUpdateJobTest, ImageThatCannotBeAttached) {
    testing::writeText(server.file("update.dmg"), "not a disk image");
    digest = *sha256Hex(server.file("update.dmg").string(), "/usr/bin/shasum");
    EXPECT_EQ(failureOf(job()), "디스크 이미지 열기 실패");
}

TEST_F(SelfUpdateJobTest, BundleInASubfolderIsNotFoundAndTheImageIsDetached) {
    publishImage(kTeam, "Payload/TarselServer.app");
    EXPECT_EQ(failureOf(job()), "이미지 안에 앱 없음");
    EXPECT_EQ(hdiutilCalls(), "hdiutil attach\nhdiutil detach\n");
}

TEST_F(SelfUpdateJobTest, FailedCopyOutIsReportedAfterDetaching) {
    tools.tool("cp", "exit 1");
    platform().host.cpPath = tools.path("cp");
    EXPECT_EQ(failureOf(job()), "앱 추출 실패");
    EXPECT_EQ(hdiutilCalls(), "hdiutil attach\nhdiutil detach\n");
}

TEST_F(SelfUpdateJobTest, BundleOfAnotherTeamFailsVerification) {
    publishImage("Q0THERTEAM");
    EXPECT_EQ(failureOf(job()), "보안 검증 실패(서명/공증)");
    auto lines = log.lines();
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[lines.size() - 2], "❌ TeamIdentifier 불일치");
}

TEST_F(SelfUpdateJobTest, FallbackOpensTheDownloadPageWhenTheUserAsks) {
    seen->alertAnswer = 1000;
    controller->downloadURL = "https://" + server.host() + "/get";
    failureOf(job("/absent.dmg"));
    EXPECT_EQ(seen->openedURLs, std::vector<std::string>{"https://" + server.host() + "/get"});
}

}  // namespace
}  // namespace tarsel
