// The input-permission check, its alert and the three answers.
#include <gtest/gtest.h>

#include "HostFakes.h"
#include "LogCapture.h"
#include "host/AccessibilityCheck.h"

namespace tarsel {
namespace {

using testing::FakePlatform;
using testing::LogCapture;
using testing::TempDir;
using testing::writeTool;

const std::vector<std::string> kWarning = {
    "",
    "⚠️  ===== 손쉬운 사용 권한이 필요합니다 =====",
    "⚠️  키보드/마우스 제어를 사용하려면 권한을 부여하세요:",
    "⚠️  시스템 설정 → 개인정보 보호 및 보안 → 손쉬운 사용",
    "⚠️  → TarselServer 항목을 켜기",
    "⚠️  =====================================",
    "",
};

class AccessibilityCheck : public ::testing::Test {
  protected:
    // Runs the check, then the main loop's turn in which the alert answers.
    void checkAndAnswer(int answer) {
        fakes.alerts->answer = answer;
        checkAccessibilityPermission();
        fakes.mainLoop->drain();
    }

    FakePlatform fakes;
    LogCapture log;
};

TEST_F(AccessibilityCheck, TrustedLogsOneLineAndShowsNothing) {
    fakes.accessibility->trusted = true;
    checkAndAnswer(1001);
    EXPECT_EQ(log.lines(), std::vector<std::string>{"✅ 손쉬운 사용 권한: 부여됨"});
    EXPECT_TRUE(fakes.alerts->shown.empty());
}

TEST_F(AccessibilityCheck, MissingTrustWarnsAndShowsTheAlertOnlyOnTheMainLoop) {
    checkAccessibilityPermission();
    EXPECT_EQ(log.lines(), kWarning);
    EXPECT_TRUE(fakes.alerts->shown.empty());  // start-up is not held up by it
    fakes.mainLoop->drain();
    ASSERT_EQ(fakes.alerts->shown.size(), 1u);
    const AlertSpec& alert = fakes.alerts->shown[0];
    EXPECT_EQ(alert.message, "손쉬운 사용 권한이 필요합니다");
    EXPECT_EQ(alert.informative,
              "Tarsel 서버가 키보드와 마우스를 제어하려면 권한이 필요합니다.\n\n▶ 시스템 설정 "
              "열기:\n  손쉬운 사용 페이지로 이동합니다.\n  처음 설치라면 Tarsel 항목을 추가하고 "
              "토글을 켜주세요.\n  업데이트 후 동작 안 함이라면 토글을 OFF → ON 으로 한 번 껐다 "
              "켜보세요.\n\n▶ 강제 복구:\n  위 방법으로 안 될 때만 사용하세요.\n  권한 기록을 "
              "초기화하고 앱을 재시작합니다.\n  재시작 후 시스템 설정에서 Tarsel를 새로 "
              "추가해주세요.");
    EXPECT_EQ(alert.buttons, (std::vector<std::string>{"시스템 설정 열기", "강제 복구", "나중에"}));
    EXPECT_TRUE(alert.warning);
}

TEST_F(AccessibilityCheck, FirstButtonOpensTheSettingsAndKeepsRunning) {
    checkAndAnswer(1000);
    EXPECT_EQ(fakes.accessibility->settingsOpened, 1);
    EXPECT_TRUE(fakes.mainLoop->delayed.empty());
    EXPECT_EQ(log.lines(), kWarning);
}

TEST_F(AccessibilityCheck, LaterOrClosedDoesNothing) {
    for (int answer : {1002, kAlertDismissed}) {
        checkAndAnswer(answer);
        EXPECT_EQ(fakes.accessibility->settingsOpened, 0);
        EXPECT_TRUE(fakes.mainLoop->delayed.empty());
    }
}

class ForcedReset : public AccessibilityCheck {
  protected:
    // Runs the reset with `tool` as tccutil; returns the lines after the warning.
    std::vector<std::string> resetWith(const std::string& tool) {
        platform().host.tccutilPath = tool;
        checkAndAnswer(1001);
        auto lines = log.lines();
        return {lines.begin() + static_cast<long>(kWarning.size()), lines.end()};
    }
    void expectSettingsThenExitIn500ms() {
        EXPECT_EQ(fakes.accessibility->settingsOpened, 1);
        ASSERT_EQ(fakes.mainLoop->delayed.size(), 1u);
        EXPECT_DOUBLE_EQ(fakes.mainLoop->delayed[0].seconds, 0.5);
    }
    TempDir dir;
};

TEST_F(ForcedReset, RunsTheResetToolForTheAgentsRecordThenExitsWithZero) {
    const std::string args = dir / "args";
    auto lines = resetWith(writeTool(dir / "tccutil", "echo \"$@\" > '" + args + "'"));
    EXPECT_EQ(lines, (std::vector<std::string>{"🔧 강제 복구 시작: tccutil reset 실행",
                                               "✅ 권한 기록 초기화 완료"}));
    EXPECT_EQ(testing::readFile(args), "reset Accessibility com.tarsel.server\n");
    expectSettingsThenExitIn500ms();
    EXPECT_EXIT(fakes.mainLoop->delayed[0].task(), ::testing::ExitedWithCode(0), "");
}

TEST_F(ForcedReset, AFailingToolStillOpensTheSettingsAndExits) {
    auto lines = resetWith(writeTool(dir / "tccutil", "exit 3"));
    EXPECT_EQ(lines, (std::vector<std::string>{"🔧 강제 복구 시작: tccutil reset 실행",
                                               "⚠️ tccutil 실행 결과: 종료코드 3"}));
    expectSettingsThenExitIn500ms();
}

TEST_F(ForcedReset, AMissingToolIsLoggedAndTheRestStillHappens) {
    for (const std::string& tool : {std::string(), dir / "no-such-tccutil"}) {
        fakes.accessibility->settingsOpened = 0;
        fakes.mainLoop->delayed.clear();
        log.clear();
        auto lines = resetWith(tool);
        ASSERT_EQ(lines.size(), 2u);
        EXPECT_EQ(lines[0], "🔧 강제 복구 시작: tccutil reset 실행");
        EXPECT_EQ(lines[1].rfind("❌ tccutil 실행 실패: ", 0), 0u) << lines[1];
        expectSettingsThenExitIn500ms();
    }
}

}  // namespace
}  // namespace tarsel
