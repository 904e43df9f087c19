// The real desktop ports: the X11 trust check against a private Xvfb, and the
// Qt alert's answers with a real QMessageBox (offscreen, no display needed).
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <thread>

#include "Require.h"
#include "TestFiles.h"
#include "platform/linux/X11Accessibility.h"
#ifdef TARSEL_WITH_QT
#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include "platform/qt/QtAlerts.h"
#endif

namespace tarsel {
namespace {

namespace fs = std::filesystem;

// An Xvfb on display :<n>, with extra arguments; stopped at the end.
class Xvfb {
  public:
    Xvfb(int number, std::vector<std::string> extra) : display_(":" + std::to_string(number)) {
        std::vector<std::string> args = {"Xvfb", display_, "-nolisten", "tcp"};
        args.insert(args.end(), extra.begin(), extra.end());
        pid_ = fork();
        if (pid_ == 0) {
            std::vector<char*> argv;
            for (auto& a : args) argv.push_back(a.data());
            argv.push_back(nullptr);
            freopen("/dev/null", "w", stderr);
            execv("/usr/bin/Xvfb", argv.data());
            _exit(127);
        }
        const std::string socket = "/tmp/.X11-unix/X" + std::to_string(number);
        for (int i = 0; i < 200 && !fs::exists(socket); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(25));
    }
    ~Xvfb() {
        kill(pid_, SIGTERM);
        waitpid(pid_, nullptr, 0);
    }
    const std::string& display() const { return display_; }

  private:
    std::string display_;
    pid_t pid_ = -1;
};

bool trustedOn(const std::string& display) {
    if (display.empty())
        unsetenv("DISPLAY");
    else
        setenv("DISPLAY", display.c_str(), 1);
    return X11Accessibility("/usr/bin/xdg-open", "", "h").isTrusted();
}

TEST(X11Accessibility, TrustedMeansAReachableDisplayWithXTest) {
    const char* saved = std::getenv("DISPLAY");
    std::string restore = saved ? saved : "";
    EXPECT_FALSE(trustedOn(""));
    EXPECT_FALSE(trustedOn(":1999"));  // nobody there
    REQUIRE_OR_SKIP(fs::exists("/usr/bin/Xvfb"), "Xvfb");
    {
        Xvfb withXTest(1987, {});
        EXPECT_TRUE(trustedOn(withXTest.display()));
    }
    {
        Xvfb withoutXTest(1988, {"-extension", "XTEST"});
        EXPECT_FALSE(trustedOn(withoutXTest.display()));
    }
    trustedOn(restore);
}

TEST(X11Accessibility, SettingsOpenTheReadmeBesideTheBuild) {
    testing::TempDir dir;
    testing::writeText(dir / "README.md", "# Troubleshooting\n");
    X11Accessibility inBuildTree("/usr/bin/xdg-open", dir / "build/tarsel-server", "example.org");
    EXPECT_EQ(inBuildTree.settingsTarget(), dir / "README.md");
    X11Accessibility elsewhere("/usr/bin/xdg-open", dir / "a/b/tarsel-server", "example.org");
    if (!fs::exists("/usr/share/doc/tarsel/README.md")) {
        EXPECT_EQ(elsewhere.settingsTarget(), "https://example.org/#troubleshooting");
    }
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
    static char name[] = "test_host";
    static char* argv[] = {name, nullptr};
    static QApplication qt(argc, argv);
    EXPECT_EQ(answerWith(0), 1000);
    EXPECT_EQ(answerWith(2), 1002);
    EXPECT_EQ(answerWith(1), 1001);
    EXPECT_EQ(answerWith(-1), kAlertDismissed);
}
#endif

}  // namespace
}  // namespace tarsel
