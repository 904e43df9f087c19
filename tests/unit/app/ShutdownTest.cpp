// The orderly shutdown, run for real in a forked child (it ends the process),
// with its log lines and the port calls written to a file the test reads back.
#include <gtest/gtest.h>

#include <csignal>
#include <fstream>
#include <thread>

#include "app/Globals.h"
#include "app/Shutdown.h"
#include "host/HostFakes.h"
#include "menubar/StatusBarController.h"
#include "runtime/Log.h"

namespace tarsel {
namespace {

using testing::FakePlatform;
using testing::readFile;
using testing::splitLines;
using testing::TempDir;

void note(const std::string& path, std::string_view text) {
    std::ofstream(path, std::ios::app) << text << "\n";
}

class NotingLogin : public LoginService {
  public:
    explicit NotingLogin(std::string journal, std::function<void()> duringUnload = {})
        : journal_(std::move(journal)), duringUnload_(std::move(duringUnload)) {}
    std::string registrationPath() override { return ""; }
    bool install(const std::string&, const std::string&, std::string*) override { return false; }
    std::vector<std::string> unloadCommand() override { return {}; }
    std::vector<std::string> loadCommand() override { return {}; }
    void unload() override {
        note(journal_, "[unload]");
        if (duringUnload_) duringUnload_();
    }
    void load() override { note(journal_, "[load]"); }

  private:
    std::string journal_;
    std::function<void()> duringUnload_;
};

struct NotingWatch : PathWatch {
    explicit NotingWatch(std::string j) : journal(std::move(j)) {}
    ~NotingWatch() override { note(journal, "[path monitor cancelled]"); }
    std::string journal;
};

struct NotingAdvertisement : Advertisement {
    explicit NotingAdvertisement(std::string j) : journal(std::move(j)) {}
    ~NotingAdvertisement() override { note(journal, "[advertisement withdrawn]"); }
    std::string journal;
};

class Shutdown : public ::testing::Test {
  protected:
    // In the child: every log line and port call goes to the journal.
    void prepare(std::function<void()> duringUnload = {}) {
        Logger::instance().setSink([j = journal()](std::string_view l) { note(j, l); });
        platform().login = std::make_unique<NotingLogin>(journal(), std::move(duringUnload));
        globals().pathMonitor = std::make_unique<NotingWatch>(journal());
        globals().bonjourService = std::make_unique<NotingAdvertisement>(journal());
        globals().activeListener.reset();  // as when the listener could not be made
        startUpComplete();
    }
    std::string journal() const { return dir / "journal"; }
    std::vector<std::string> journalLines() const { return splitLines(readFile(journal())); }

    TempDir dir;
    FakePlatform fakes;
};

const std::vector<std::string> kFullSequence = {
    "",
    "🛑 서버 종료 중...",
    "[path monitor cancelled]",
    "[advertisement withdrawn]",
    "[unload]",
    "✅ LaunchAgent 내림 (KeepAlive 자동재시작 차단)",
    "✅ 정리 완료",
};

TEST_F(Shutdown, StopsEverythingUnloadsAndExitsWithZero) {
    EXPECT_EXIT(
        {
            prepare();
            cleanupAndExit();
        },
        ::testing::ExitedWithCode(0), "");
    EXPECT_EQ(journalLines(), kFullSequence);
}

TEST_F(Shutdown, AnUpdateRestartLeavesTheServiceLoaded) {
    EXPECT_EXIT(
        {
            prepare();
            StatusBarController::shared().isUpdateRestart = true;
            cleanupAndExit();
        },
        ::testing::ExitedWithCode(0), "");
    EXPECT_EQ(journalLines(),
              (std::vector<std::string>{"", "🛑 서버 종료 중...", "[path monitor cancelled]",
                                        "[advertisement withdrawn]", "✅ 정리 완료"}));
}

// The service manager answers the unload with SIGTERM while the sequence runs
// (here the Quit path, on this thread); that second request changes nothing.
TEST_F(Shutdown, ASecondRequestDuringTheSequenceIsIgnored) {
    EXPECT_EXIT(
        {
            prepare([] {
                std::raise(SIGTERM);
                std::raise(SIGINT);
                std::this_thread::sleep_for(std::chrono::milliseconds(300));
            });
            setupSignalHandler();
            cleanupAndExit();
        },
        ::testing::ExitedWithCode(0), "");
    EXPECT_EQ(journalLines(), kFullSequence);
}

TEST_F(Shutdown, ASignalRunsTheSequenceOutsideTheHandler) {
    EXPECT_EXIT(
        {
            prepare();
            setupSignalHandler();
            std::raise(SIGINT);
            for (;;) std::this_thread::sleep_for(std::chrono::seconds(1));
        },
        ::testing::ExitedWithCode(0), "");
    EXPECT_EQ(journalLines(), kFullSequence);
}

}  // namespace
}  // namespace tarsel
