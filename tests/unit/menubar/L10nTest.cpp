#include <gtest/gtest.h>

#include <map>

#include "menubar/L10n.h"

namespace tarsel {
namespace {

const std::string kHost = "tarsel.example";

TEST(L10nSelection, KoreanOnlyWhenTheFirstLanguageBeginsWithKo) {
    EXPECT_EQ(L10n::forLanguages({"ko-KR"}, kHost).quit, "종료");
    EXPECT_EQ(L10n::forLanguages({"ko_KR.UTF-8"}, kHost).quit, "종료");
    EXPECT_EQ(L10n::forLanguages({"ko"}, kHost).quit, "종료");
    EXPECT_EQ(L10n::forLanguages({"en-US", "ko-KR"}, kHost).quit, "Quit");
    EXPECT_EQ(L10n::forLanguages({"ja-JP"}, kHost).quit, "Quit");
    EXPECT_EQ(L10n::forLanguages({"KO-KR"}, kHost).quit, "Quit");  // case matters
    EXPECT_EQ(L10n::forLanguages({}, kHost).quit, "Quit");
}

TEST(L10nSelection, PreferredLanguagesFollowTheLocaleVariablesInOrder) {
    std::map<std::string, std::string> vars;
    auto env = [&vars](const std::string& name) { return vars.count(name) ? vars[name] : ""; };
    EXPECT_TRUE(preferredLanguages(env).empty());

    vars["LANG"] = "en_US.UTF-8";
    EXPECT_EQ(preferredLanguages(env), std::vector<std::string>{"en_US.UTF-8"});
    vars["LC_MESSAGES"] = "ko_KR.UTF-8";
    EXPECT_EQ(preferredLanguages(env), std::vector<std::string>{"ko_KR.UTF-8"});
    vars["LC_ALL"] = "ja_JP.UTF-8";
    EXPECT_EQ(preferredLanguages(env), std::vector<std::string>{"ja_JP.UTF-8"});
    vars["LC_ALL"] = "";  // set but empty: skipped
    EXPECT_EQ(preferredLanguages(env), std::vector<std::string>{"ko_KR.UTF-8"});

    vars["LANGUAGE"] = ":ko:en_GB::";
    EXPECT_EQ(preferredLanguages(env), (std::vector<std::string>{"ko", "en_GB"}));
    vars["LANGUAGE"] = ":";
    EXPECT_EQ(preferredLanguages(env), std::vector<std::string>{"ko_KR.UTF-8"});
}

TEST(L10nTexts, SpecialCharactersAreExact) {
    L10n en = L10n::english(kHost);
    EXPECT_EQ(en.waiting, "\u26AA\uFE0F  Waiting\u2026");
    EXPECT_EQ(en.checkForUpdates, "Check for Updates\u2026");
    EXPECT_EQ(en.openWebsite, "Open Website (tarsel.example)");
    L10n ko = L10n::korean("127.0.0.1:8443");
    EXPECT_EQ(ko.waiting, "\u26AA\uFE0F  연결 대기 중");
    EXPECT_EQ(ko.openWebsite, "웹사이트 열기 (127.0.0.1:8443)");
    EXPECT_EQ(ko.updInstalling, "📦  설치 중\u2026 곧 재시작");
    EXPECT_EQ(ko.appName, en.appName);
    EXPECT_EQ(ko.macIP, "Mac IP");
}

}  // namespace
}  // namespace tarsel
