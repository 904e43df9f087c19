#pragma once
// The host's own words in the agent's texts. The defaults are the Mac's; other
// hosts give theirs, so a Linux user never reads about a Mac or a LaunchAgent.
#include <string>

namespace tarsel {

struct HostWords {
    std::string serverStarted = "🚀 맥 서버가 실행되었습니다";
    std::string loginRegistered = "✅ LaunchAgent 등록: ";                    // then the path
    std::string loginRegisterFailed = "⚠️ LaunchAgent 등록 실패: ";  // then the reason
    std::string loginUnloaded = "✅ LaunchAgent 내림 (KeepAlive 자동재시작 차단)";
    std::string addressLabel = "Mac IP";        // the menu's address line, English
    std::string addressLabelKorean = "Mac IP";  // and Korean
};

}  // namespace tarsel
