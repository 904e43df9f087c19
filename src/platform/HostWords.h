#pragma once
// The host's own words in the agent's texts. The defaults are the Mac's; other
// hosts give theirs, so a Linux user never reads about a Mac or a LaunchAgent.
#include <string>
#include <vector>

namespace tarsel {

struct HostWords {
    std::string serverStarted = "🚀 맥 서버가 실행되었습니다";
    std::string loginRegistered = "✅ LaunchAgent 등록: ";                    // then the path
    std::string loginRegisterFailed = "⚠️ LaunchAgent 등록 실패: ";  // then the reason
    std::string loginUnloaded = "✅ LaunchAgent 내림 (KeepAlive 자동재시작 차단)";
    std::string addressLabel = "Mac IP";        // the menu's address line, English
    std::string addressLabelKorean = "Mac IP";  // and Korean
    // The missing input permission's warning in the log (the host's advice,
    // if any, follows it).
    std::vector<std::string> permissionLog = {
        "⚠️  ===== 손쉬운 사용 권한이 필요합니다 =====",
        "⚠️  키보드/마우스 제어를 사용하려면 권한을 부여하세요:",
        "⚠️  시스템 설정 → 개인정보 보호 및 보안 → 손쉬운 사용",
        "⚠️  → TarselServer 항목을 켜기",
        "⚠️  ====================================="};
    bool alertsFollowLanguage = false;  // the Mac's alerts are always Korean
};

}  // namespace tarsel
