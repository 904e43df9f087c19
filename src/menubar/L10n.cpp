#include "menubar/L10n.h"

#include <cstdlib>

#include "platform/Platform.h"

namespace tarsel {

L10n L10n::korean(const std::string& host) {
    return {"✅  연결됨",
            "⚪️  연결 대기 중",
            "Mac IP",
            "PIN",
            "Tarsel",
            "웹사이트 열기 (" + host + ")",
            "종료",
            "🔴  새 버전 설치",
            "🔴  버전 {} 다운로드…",
            "✓  최신 버전",
            "업데이트 확인…",
            "⏳  다운로드 중…",
            "🔍  검증 중…",
            "📦  설치 중… 곧 재시작",
            "페어링 열기",
            "페어링 중 ({})",
            "페어링 닫기",
            "⚠️  포트 3000 대기 실패 — 재시도 중",
            "⚠️  포트 3000을 다른 사용자({})가 쓰는 중 — 재시도 중",
            "⏸️  입력 일시 중지됨 (데스크톱에서 공유 중지)",
            "입력 재개",
            "로그인 시 시작",
            true};
}

L10n L10n::english(const std::string& host) {
    return {"✅  Connected",
            "⚪️  Waiting…",
            "Mac IP",
            "PIN",
            "Tarsel",
            "Open Website (" + host + ")",
            "Quit",
            "🔴  Install New Version",
            "🔴  Download Version {}…",
            "✓  Up to date",
            "Check for Updates…",
            "⏳  Downloading…",
            "🔍  Verifying…",
            "📦  Installing… restarting soon",
            "Open Pairing…",
            "Pairing ({} left)",
            "Close Pairing",
            "⚠️  Not listening on port 3000 — retrying",
            "⚠️  Port 3000 held by another user ({}) — retrying",
            "⏸️  Input paused (sharing stopped on this desktop)",
            "Resume Input",
            "Start at Log-in",
            false};
}

namespace {

bool isKorean(const std::vector<std::string>& preferred) {
    return !preferred.empty() && preferred.front().rfind("ko", 0) == 0;
}

}  // namespace

L10n L10n::forLanguages(const std::vector<std::string>& preferred, const std::string& host) {
    return isKorean(preferred) ? korean(host) : english(host);
}

const L10n& L10n::current() {
    static const L10n strings = [] {
        const HostConstants& host = platform().host;
        const std::vector<std::string> preferred = preferredLanguages();
        L10n s = forLanguages(preferred, host.websiteHost);
        s.macIP = isKorean(preferred) ? host.words.addressLabelKorean : host.words.addressLabel;
        return s;
    }();
    return strings;
}

std::vector<std::string> preferredLanguages(
    const std::function<std::string(const std::string&)>& env) {
    std::vector<std::string> list;
    const std::string language = env("LANGUAGE");
    size_t start = 0;
    while (start <= language.size()) {
        size_t end = language.find(':', start);
        if (end == std::string::npos) end = language.size();
        if (end > start) list.push_back(language.substr(start, end - start));
        start = end + 1;
    }
    if (!list.empty()) return list;
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        std::string value = env(name);
        if (!value.empty()) return {value};
    }
    return {};
}

std::vector<std::string> preferredLanguages() {
    return preferredLanguages([](const std::string& name) {
        const char* value = std::getenv(name.c_str());
        return std::string(value ? value : "");
    });
}

}  // namespace tarsel
