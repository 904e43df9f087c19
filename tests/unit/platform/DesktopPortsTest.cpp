// The real desktop ports: where the X11 settings point, and the Qt alert's
// answers with a real QMessageBox (offscreen, no display needed). Trust under
// a real X server: tests/real/test_x11_input.py.
#include <gtest/gtest.h>

#include <filesystem>

#include "Language.h"
#include "TestFiles.h"
#include "platform/linux/TerminalApps.h"
#include "platform/linux/X11Accessibility.h"
#include "runtime/Text.h"
#ifdef TARSEL_WITH_QT
#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include "platform/qt/QtAlerts.h"
#endif

namespace tarsel {
namespace {

// The help page beside the binary, in the user's language where there is one.
TEST(X11Accessibility, HelpOpensThePageInTheUsersLanguageElseEnglish) {
    testing::TempDir dir;
    std::filesystem::create_directories(dir / "build/help");
    testing::writeText(dir / "build/help/en.html", "<h1>Help</h1>\n");
    X11Accessibility inBuildTree("/usr/bin/xdg-open", dir / "build/tarsel-server", "example.org");
    EXPECT_EQ(inBuildTree.settingsTarget(), dir / "build/help/en.html");  // no Korean page
    testing::writeText(dir / "build/help/ko.html", "<h1>도움말</h1>\n");
    EXPECT_EQ(inBuildTree.settingsTarget(), dir / "build/help/ko.html");
    EXPECT_EQ(testing::inLanguage("en", [&] { return inBuildTree.settingsTarget(); }),
              dir / "build/help/en.html");
    X11Accessibility elsewhere("/usr/bin/xdg-open", dir / "a/tarsel-server", "example.org");
    if (!std::filesystem::exists("/usr/share/tarsel/help")) {  // else the installed page
        EXPECT_EQ(elsewhere.settingsTarget(), "https://example.org/#troubleshooting");
    }
}

// Each help page quotes the alert and the menu as they read in its language,
// so a changed text cannot leave the help naming one the user never sees.
TEST(HelpPages, QuoteTheAlertAndTheMenuInTheirOwnLanguage) {
    const char* shown[] = {"Tarsel cannot control the keyboard and mouse",
                           "Open Pairing…",
                           "Paired Browsers",
                           "Start at Log-in",
                           "Quit",
                           "Computer IP",
                           "Pairing is closed",
                           "Pair this browser",
                           "Approve"};
    for (const std::string language : {"en", "ko"}) {
        const std::string page = testing::readText(TARSEL_TEST_HELPDIR "/" + language + ".html");
        testing::inLanguage(language, [&] {
            for (const char* text : shown)
                EXPECT_NE(page.find(tr(text)), std::string::npos) << language << ": " << text;
            return 0;
        });
    }
}

// Known terminals by desktop id or WM_CLASS in any case; others by their
// desktop entry's category.
TEST(TerminalApps, ListedOrCategorisedTerminalsTakeTheirOwnChords) {
    testing::TempDir dir;
    setenv("XDG_DATA_HOME", dir.path().c_str(), 1);
    std::filesystem::create_directory(dir / "applications");
    testing::writeText(dir / "applications/org.example.Term.desktop",
                       "[Desktop Entry]\nCategories=System;TerminalEmulator;\n");
    testing::writeText(dir / "applications/org.example.Editor.desktop",
                       "[Desktop Entry]\nName=TerminalEmulator\nCategories=Utility;\n");
    using K = EditingKeys;
    const std::pair<const char*, K> rows[] = {{"org.gnome.Terminal", K::terminal},
                                              {"Alacritty", K::terminal},
                                              {"XTerm", K::bareTerminal},
                                              {"URxvt", K::bareTerminal},
                                              {"org.example.Term", K::bareTerminal},
                                              {"org.example.Editor", K::standard},
                                              {"firefox", K::standard},
                                              {"", K::standard},
                                              {"../applications/org.example.Term", K::standard}};
    for (auto [id, keys] : rows) EXPECT_EQ(editingKeysFor(id), keys) << id;
    unsetenv("XDG_DATA_HOME");
}

#ifdef TARSEL_WITH_QT
// Clicks the button at `index` of the next modal box (or closes it when -1).
int answerWith(int index) {
    QTimer::singleShot(50, [index] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box) return;
        if (index < 0)
            box->reject();
        else
            for (auto* b : box->buttons())
                if (b->text() == QString::number(index)) b->click();
    });
    AlertSpec alert{"message", "informative", {"0", "1", "2"}, true};
    return QtAlerts().runModal(alert);
}

TEST(QtAlerts, AnswerIsTheButtonsPositionAndClosingIsDismissed) {
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    static int argc = 1;
    static char name[] = "test_host", *argv[] = {name, nullptr};
    static QApplication qt(argc, argv);
    for (int index : {0, 2, 1}) EXPECT_EQ(answerWith(index), 1000 + index);
    EXPECT_EQ(answerWith(-1), kAlertDismissed);
}
#endif

}  // namespace
}  // namespace tarsel
