#include "host/AccessibilityCheck.h"

#include <cstdlib>

#include "host/LaunchAgentPlist.h"
#include "platform/Platform.h"
#include "runtime/Log.h"
#include "runtime/Process.h"

namespace tarsel {
namespace {

// The host's own step, where it knows one, follows the general advice.
AlertSpec permissionAlert() {
    AlertSpec alert;
    alert.message = "손쉬운 사용 권한이 필요합니다";
    alert.informative =
        "Tarsel 서버가 키보드와 마우스를 제어하려면 권한이 필요합니다.\n\n"
        "▶ 시스템 설정 열기:\n"
        "  손쉬운 사용 페이지로 이동합니다.\n"
        "  처음 설치라면 Tarsel 항목을 추가하고 토글을 켜주세요.\n"
        "  업데이트 후 동작 안 함이라면 토글을 OFF → ON 으로 한 번 껐다 켜보세요.\n\n"
        "▶ 강제 복구:\n"
        "  위 방법으로 안 될 때만 사용하세요.\n"
        "  권한 기록을 초기화하고 앱을 재시작합니다.\n"
        "  재시작 후 시스템 설정에서 Tarsel를 새로 추가해주세요.";
    if (const std::string fix = platform().accessibility->fix(); !fix.empty())
        alert.informative += "\n\n▶ " + fix;
    alert.buttons = {"시스템 설정 열기", "강제 복구", "나중에"};
    alert.warning = true;
    return alert;
}

void showPermissionAlert() {
    switch (platform().alerts->runModal(permissionAlert())) {
        case 1000:
            openAccessibilitySettings();
            break;
        case 1001:
            forceResetAccessibilityPermission();
            break;
        default:
            break;  // "나중에" or closed: keep running without input
    }
}

Result<ProcessResult> runTccutil() {
    const std::string& tool = platform().host.tccutilPath;
    if (tool.empty())  // no permission database on this system
        return failure(
            "The file \xe2\x80\x9ctccutil\xe2\x80\x9d couldn't be opened: "
            "No such file or directory");
    return runProcess(tool, {"reset", "Accessibility", kLaunchAgentLabel});
}

}  // namespace

void checkAccessibilityPermission() {
    if (platform().accessibility->isTrusted()) {
        logLine("✅ 손쉬운 사용 권한: 부여됨");
        return;
    }
    logBlankLine();
    logLine("⚠️  ===== 손쉬운 사용 권한이 필요합니다 =====");
    logLine("⚠️  키보드/마우스 제어를 사용하려면 권한을 부여하세요:");
    logLine("⚠️  시스템 설정 → 개인정보 보호 및 보안 → 손쉬운 사용");
    logLine("⚠️  → TarselServer 항목을 켜기");
    logLine("⚠️  =====================================");
    if (const std::string fix = platform().accessibility->fix(); !fix.empty())
        logLine("⚠️  " + fix);
    logBlankLine();
    platform().mainLoop->post(showPermissionAlert);
}

void openAccessibilitySettings() {
    platform().accessibility->openSettings();
}

void forceResetAccessibilityPermission() {
    logLine("🔧 강제 복구 시작: tccutil reset 실행");
    auto reset = runTccutil();
    if (!reset)
        logLine("❌ tccutil 실행 실패: " + reset.error());
    else if (reset->status == 0)
        logLine("✅ 권한 기록 초기화 완료");
    else
        logLine("⚠️ tccutil 실행 결과: 종료코드 " + std::to_string(reset->status));
    openAccessibilitySettings();
    // The service manager starts the agent again, which checks afresh.
    platform().mainLoop->postAfter(std::chrono::milliseconds(500), [] {
        Logger::instance().flush();
        std::_Exit(0);
    });
}

}  // namespace tarsel
