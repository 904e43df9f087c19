// The install item's preconditions: what is refused before anything is
// downloaded, and how the refusal reaches the user.
#include <gtest/gtest.h>

#include <thread>

#include "LogCapture.h"
#include "StandIns.h"
#include "TestPlatform.h"
#include "menubar/SelfUpdate.h"
#include "platform/MacHostPaths.h"
#include "platform/linux/LinuxHost.h"

namespace tarsel {
namespace {

class PerformSelfUpdateTest : public ::testing::Test {
  protected:
    testing::TempDir dir;
    HostConstants host;
    std::shared_ptr<testing::Seen> seen;
    std::unique_ptr<StatusBarController> controller;
    testing::LogCapture log;

    void SetUp() override {
        applyMacHostPaths(host);
        host.tempDir = dir.path();
        install(host);
    }

    void install(const HostConstants& h) {
        seen = testing::installTestPlatform(h);
        controller = testing::testController("tarsel.example");
        controller->latestVersion = "1.0.17";
        controller->dmgDirectURL = "https://tarsel.example/dl/TarselServer-1.0.17.dmg";
    }

    // The reason of the one fallback, after checking nothing was requested.
    std::string refusal() {
        performSelfUpdate(*controller);
        EXPECT_TRUE(seen->requests.empty());
        EXPECT_TRUE(testing::fs::is_empty(dir.path())) << "a work directory was made";
        EXPECT_EQ(controller->updateState, UpdateState::idle);
        if (seen->alerts.size() != 1) return "(no alert)";
        std::string informative = seen->alerts[0].informative;
        seen->alerts.clear();
        auto open = informative.find("(사유: ");
        return informative.substr(open + 9, informative.size() - open - 10);
    }
};

TEST_F(PerformSelfUpdateTest, WithoutAnInstallerItFallsBackAtOnce) {
    HostConstants linuxHost = linuxHostConstants();
    linuxHost.tempDir = dir.path();
    install(linuxHost);
    EXPECT_EQ(refusal(), "이 플랫폼에서는 자동 설치를 지원하지 않음");
    EXPECT_EQ(log.lines(), std::vector<std::string>{
                               "⚠️ 자동 업데이트 폴백: 이 플랫폼에서는 자동 "
                               "설치를 지원하지 않음"});
    // One missing tool is enough.
    HostConstants noStapler = host;
    noStapler.staplerPath.clear();
    install(noStapler);
    EXPECT_EQ(refusal(), "이 플랫폼에서는 자동 설치를 지원하지 않음");
}

TEST_F(PerformSelfUpdateTest, NothingHappensWhileAnUpdateRuns) {
    for (UpdateState busy :
         {UpdateState::downloading, UpdateState::verifying, UpdateState::installing}) {
        controller->updateState = busy;
        performSelfUpdate(*controller);
        EXPECT_EQ(controller->updateState, busy);
    }
    EXPECT_TRUE(seen->alerts.empty());
    EXPECT_TRUE(log.lines().empty());
    EXPECT_TRUE(seen->requests.empty());
}

TEST_F(PerformSelfUpdateTest, MissingDetailsMeanNoAutomaticInstall) {
    controller->dmgDirectURL.reset();
    EXPECT_EQ(refusal(), "자동 설치 정보 없음");
    controller->dmgDirectURL = "";
    EXPECT_EQ(refusal(), "자동 설치 정보 없음");
    controller->dmgDirectURL = "https://tarsel.example/a.dmg";
    controller->latestVersion.reset();
    EXPECT_EQ(refusal(), "자동 설치 정보 없음");
}

TEST_F(PerformSelfUpdateTest, AddressOffTheWebsiteIsNeverRequested) {
    for (const char* address :
         {"https://evil.test/TarselServer.dmg", "https://dl.tarsel.example/TarselServer.dmg",
          "http://tarsel.example/TarselServer.dmg", "not a url"}) {
        controller->dmgDirectURL = address;
        EXPECT_EQ(refusal(), "신뢰할 수 없는 다운로드 주소") << address;
    }
    // A failed earlier attempt does not block a new one.
    controller->updateState = UpdateState::failed;
    controller->dmgDirectURL = "ftp://tarsel.example/a.dmg";
    EXPECT_EQ(refusal(), "신뢰할 수 없는 다운로드 주소");
}

TEST_F(PerformSelfUpdateTest, TrustedAddressStartsTheJobInTheBackground) {
    std::promise<void> answer;
    seen->httpGate = answer.get_future().share();
    performSelfUpdate(*controller);
    EXPECT_EQ(controller->updateState, UpdateState::downloading);
    // The refusing client then makes the job end in the fallback.
    answer.set_value();
    for (int i = 0; i < 500; ++i) {
        {
            std::lock_guard lock(seen->mutex);
            // The alert can come before the job's last steps; wait for those too.
            if (!seen->alerts.empty() && controller->updateState == UpdateState::idle &&
                testing::fs::is_empty(dir.path()))
                break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    std::lock_guard lock(seen->mutex);
    EXPECT_EQ(seen->requests,
              std::vector<std::string>{"https://tarsel.example/dl/TarselServer-1.0.17.dmg"});
    ASSERT_EQ(seen->alerts.size(), 1u);
    EXPECT_NE(seen->alerts[0].informative.find("(사유: 다운로드 실패)"), std::string::npos);
    EXPECT_EQ(controller->updateState, UpdateState::idle);
    EXPECT_TRUE(testing::fs::is_empty(dir.path()));
}

}  // namespace
}  // namespace tarsel
