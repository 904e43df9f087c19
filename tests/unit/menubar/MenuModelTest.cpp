#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <tuple>

#include "LogCapture.h"
#include "TestFiles.h"

#include "Language.h"
#include "menubar/AlertWords.h"
#include "menubar/MenuModel.h"

namespace tarsel {
namespace {

using V = std::vector<std::string>;

const HostWords kMac;
L10n english(const std::string& host = "tarsel.example") {
    return testing::inLanguage("en", [&] { return L10n::translated(host, kMac); });
}
const L10n kEnglish = english();

MenuInputs base() {
    MenuInputs in;
    in.currentIP = "192.168.1.20";
    in.pin = "246810";
    in.appVersion = "1.0.16";
    return in;
}

V titles(const std::vector<MenuEntry>& menu) {
    V out;
    for (const auto& e : menu) out.push_back(e.separator ? "---" : e.title);
    return out;
}

// The line between the version item and "Check for Updates…", or "" for none.
std::string updateLine(const MenuInputs& in, const L10n& s = kEnglish) {
    auto menu = buildMenuModel(in, s);
    for (size_t i = 0; i + 1 < menu.size(); ++i)
        if (menu[i].title == s.appName + " v" + in.appVersion)
            return menu[i + 1].title == s.checkForUpdates ? "" : menu[i + 1].title;
    return "<no version item>";
}

// The line for every state and version; a failed check looks exactly like idle.
TEST(MenuModel, UpdateLineForEveryStateAndVersion) {
    using S = UpdateState;
    const char *install = "🔴  Install New Version (v1.0.17)", *upToDate = "✓  Up to date";
    // clang-format off
    const std::tuple<S, const char*, const char*> cases[] = {
        {S::idle, "1.0.17", install}, {S::failed, "1.0.17", install},
        {S::idle, "1.0.16.1", "🔴  Install New Version (v1.0.16.1)"},
        {S::downloading, "1.0.17", "⏳  Downloading…"}, {S::verifying, "1.0.17", "🔍  Verifying…"},
        {S::installing, "1.0.17", "📦  Installing… restarting soon"},
        {S::idle, "1.0.16", upToDate}, {S::idle, "1.0.9", upToDate}, {S::idle, "1.0", upToDate},
        {S::idle, "v9.0", upToDate}, {S::failed, "1.0.16.0", upToDate}};
    // clang-format on
    for (auto [state, latest, line] : cases) {
        MenuInputs in = base();
        in.checkedOnce = true;
        in.latestVersion = latest;
        in.updateState = state;
        EXPECT_EQ(updateLine(in), line) << latest;
        auto menu = buildMenuModel(in, kEnglish);
        EXPECT_EQ(menu[menu.size() - 5].enabled, std::string(line).rfind("🔴", 0) == 0) << line;
        EXPECT_TRUE(menu[menu.size() - 4].enabled);  // Check for Updates… stays enabled
    }
    MenuInputs noInstaller = base();  // nothing installs updates: the item says what it does
    noInstaller.checkedOnce = true;
    noInstaller.latestVersion = "1.0.17";
    noInstaller.canInstall = false;
    EXPECT_EQ(updateLine(noInstaller), "🔴  Download Version 1.0.17…");
    EXPECT_EQ(updateLine(noInstaller, L10n::translated("h", kMac)), "🔴  버전 1.0.17 다운로드…");
    MenuInputs never = base();
    EXPECT_EQ(updateLine(never), "");
    never.updateState = S::failed;
    EXPECT_EQ(updateLine(never), "");
}

// With a phone, and the actions behind the items: tests/e2e/test_menubar.py.
// Pairing closed in English, open (65 s left) in Korean.
TEST(MenuModel, WithoutAPhoneInBothLanguages) {
    MenuInputs in = base();
    in.checkedOnce = true;
    in.latestVersion = "1.0.16";
    EXPECT_EQ(titles(buildMenuModel(in, kEnglish)),
              (V{"⚪️  Waiting…", "---", "Mac IP:  192.168.1.20", "PIN:  246810",
                 "Open Pairing…", "---", "Tarsel v1.0.16", "✓  Up to date", "Check for Updates…",
                 "Open Website (tarsel.example)", "---", "Quit"}));
    in.pairingSecondsLeft = 65;
    auto korean = buildMenuModel(in, L10n::translated("tarsel.example", kMac));
    EXPECT_EQ(titles(korean),
              (V{"⚪️  연결 대기 중", "---", "Mac IP:  192.168.1.20", "PIN:  246810",
                 "페어링 중 (1:05)", "페어링 닫기", "---", "Tarsel v1.0.16", "✓  최신 버전",
                 "업데이트 확인…", "웹사이트 열기 (tarsel.example)", "---", "종료"}));
    // The time left shows the pairing window again.
    EXPECT_EQ(std::pair(korean[4].action, korean[5].action),
              std::pair(MenuAction::openPairing, MenuAction::closePairing));
    in.browsers = {{"ab23cd45", "Forget Safari (192.168.1.7)"}};
    in.browsersTitle = "Paired Browsers";
    in.forgetAllTitle = "Forget All";
    const auto withBrowser = buildMenuModel(in, kEnglish);
    ASSERT_EQ(withBrowser[6].title, "Paired Browsers");
    EXPECT_EQ(titles(withBrowser[6].submenu),
              (V{"Forget Safari (192.168.1.7)", "---", "Forget All"}));
    EXPECT_EQ(std::pair(withBrowser[6].submenu[0].action, withBrowser[6].submenu[0].argument),
              std::pair(MenuAction::forgetBrowser, std::string("ab23cd45")));
    in.browsers.clear();
    EXPECT_EQ(buildMenuModel(in, kEnglish)[4].title, "Pairing (1:05 left)");
    in.listening = false;  // a port another user holds: said first, until it binds
    EXPECT_EQ(buildMenuModel(in, kEnglish)[0].title,
              "⚠️  Not listening on port 3000 — retrying");
    EXPECT_EQ(buildMenuModel(in, kEnglish)[1].title, "⚪️  Waiting…");
    in.portHolder = "bob";  // whose program holds it, where the agent can tell
    EXPECT_EQ(buildMenuModel(in, L10n::translated("x", kMac))[0].title,
              "⚠️  포트 3000을 다른 사용자(bob)가 쓰는 중 — 재시도 중");
    in.inputPaused = true;  // the desktop's user stopped input: said, with the way back
    const auto paused = buildMenuModel(in, kEnglish);
    EXPECT_EQ((V{paused[1].title, paused[2].title, paused[3].title}),
              (V{"⏸️  Input paused (sharing stopped on this desktop)", "Resume Input",
                 "⚪️  Waiting…"}));
    EXPECT_EQ(std::pair(paused[1].enabled, paused[2].action),
              std::pair(false, MenuAction::resumeInput));
    in.restartForNewVersion = true;  // upgraded under it: said until it restarts
    EXPECT_EQ(buildMenuModel(in, kEnglish)[1].title,
              "🔄  New version installed — restart Tarsel to use it");
    in.startsAtLogin = false;  // a check item, unticked, just above Quit
    const auto withLogin = buildMenuModel(in, kEnglish);
    const MenuEntry& login = withLogin[withLogin.size() - 2];
    EXPECT_EQ(std::tuple(login.title, login.checked, login.action),
              std::tuple("Start at Log-in", std::optional(false), MenuAction::toggleStartAtLogin));
}

// The first preferred language picks the catalog: "ko…" is Korean; anything
// else, a language nobody translated or one whose catalog is missing or
// damaged, is English.
TEST(L10nSelection, KoreanOnlyWhenTheFirstLanguageBeginsWithKo) {
    const testing::TempDir dir;
    const std::string damaged = dir / "ko/LC_MESSAGES/tarsel.mo";
    testing::writeText(damaged, "not a catalog");
    struct Case {
        std::vector<std::string> preferred;
        std::vector<std::string> dirs;
        const char* quit;
    };
    for (const Case& c : std::vector<Case>{
             {{"ko-KR"}, {TARSEL_TEST_LOCALEDIR}, "종료"},
             {{"ko_KR.UTF-8"}, {TARSEL_TEST_LOCALEDIR}, "종료"},
             {{"ko"}, {dir.path(), TARSEL_TEST_LOCALEDIR}, "Quit"},  // the first one found
             {{"en-US", "ko-KR"}, {TARSEL_TEST_LOCALEDIR}, "Quit"},
             {{"ja-JP"}, {TARSEL_TEST_LOCALEDIR}, "Quit"},
             {{"KO-KR"}, {TARSEL_TEST_LOCALEDIR}, "Quit"},  // case matters
             {{"C"}, {TARSEL_TEST_LOCALEDIR}, "Quit"},
             {{}, {TARSEL_TEST_LOCALEDIR}, "Quit"},
             {{"ko"}, {dir / "none"}, "Quit"}}) {
        testing::LogCapture log;
        installCatalog(c.preferred, c.dirs);
        EXPECT_EQ(L10n::translated("h", kMac).quit, c.quit) << c.dirs.front();
        // Only a Korean catalog that is missing or damaged is worth a line.
        EXPECT_EQ(log.lines().size(), c.dirs.front() == TARSEL_TEST_LOCALEDIR ? 0u : 1u);
    }
    testing::useLanguage("ko");
}

// Linux's alerts never send the user to a Mac setting, the English ones have
// no Korean left in them, and nothing offers to reset what Linux has not.
TEST(AlertWords, LinuxAlertsNameNoMacSettingAndEnglishIsEnglish) {
    const AlertWords inEnglish = testing::inLanguage("en", [] { return AlertWords::forLinux(); });
    for (const auto& [w, english] :
         {std::pair{AlertWords::forLinux(), false}, std::pair{inEnglish, true}}) {
        for (const std::string& text :
             {w.permissionTitle, w.permissionText, w.openSettings, w.later, w.upToDateTitle,
              w.upToDateText, w.newVersionTitle, w.newVersionText, w.openDownloadPage, w.ok,
              w.installFailedTitle, w.installFailedText}) {
            EXPECT_FALSE(text.empty());
            for (const char* mac : {"Mac", "맥", "시스템 설정", "LaunchAgent", "손쉬운 사용"})
                EXPECT_EQ(text.find(mac), std::string::npos) << text;
            const bool ascii = std::all_of(text.begin(), text.end(), [](char c) {
                return static_cast<unsigned char>(c) < 0x80;
            });
            EXPECT_TRUE(ascii || !english) << text;
        }
        EXPECT_TRUE(w.forceReset.empty());
    }
    EXPECT_EQ(withValue(inEnglish.newVersionTitle, "1.2"), "Version 1.2 is available");
    const AlertWords mac = AlertWords::mac();
    EXPECT_EQ((V{mac.openSettings, mac.forceReset, mac.later}),
              (V{"시스템 설정 열기", "강제 복구", "나중에"}));
}

TEST(L10nSelection, PreferredLanguagesFollowTheLocaleVariablesInOrder) {
    std::map<std::string, std::string> vars;
    auto env = [&vars](const std::string& name) { return vars.count(name) ? vars[name] : ""; };
    EXPECT_TRUE(preferredLanguages(env).empty());

    vars["LANG"] = "en_US.UTF-8";
    EXPECT_EQ(preferredLanguages(env), V{"en_US.UTF-8"});
    vars["LC_MESSAGES"] = "ko_KR.UTF-8";
    EXPECT_EQ(preferredLanguages(env), V{"ko_KR.UTF-8"});
    vars["LC_ALL"] = "ja_JP.UTF-8";
    EXPECT_EQ(preferredLanguages(env), V{"ja_JP.UTF-8"});
    vars["LC_ALL"] = "";  // set but empty: skipped
    EXPECT_EQ(preferredLanguages(env), V{"ko_KR.UTF-8"});

    vars["LANGUAGE"] = ":ko:en_GB::";
    EXPECT_EQ(preferredLanguages(env), (V{"ko", "en_GB"}));
    vars["LANGUAGE"] = ":";
    EXPECT_EQ(preferredLanguages(env), V{"ko_KR.UTF-8"});
}

}  // namespace
}  // namespace tarsel
