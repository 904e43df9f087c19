// The hand-over: the script is written and started before the login service
// goes down, the process then ends with status 0, and the script finishes the
// swap on its own. Failures keep the agent running.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "LogCapture.h"
#include "StandIns.h"
#include "TestPlatform.h"
#include "menubar/DetachedUpdater.h"
#include "platform/MacHostPaths.h"

namespace tarsel {
namespace {

using testing::fs::path;

class DetachedUpdaterTest : public ::testing::Test {
  protected:
    testing::TempDir dir;
    testing::StandInTools tools{dir / "tools"};
    path home = dir / "home";
    path dest = dir / "Applications/TarselServer.app";
    path work = dir / "tmp/tsl_update_D00D";
    path candidate = work / "TarselServer.app";
    path events = dir / "events";
    HostConstants host;
    std::unique_ptr<StatusBarController> controller;
    std::shared_ptr<testing::Seen> seen;
    testing::LogCapture log;

    void SetUp() override {
        applyMacHostPaths(host);
        host.homeDir = home.string();
        host.installPath = dest.string();
        host.codesignPath = tools.path("codesign");
        host.launchctlPath = tools.path("launchctl");
        host.osascriptPath = tools.path("osascript");
        host.xattrPath = tools.path("xattr");
        host.openPath = tools.path("open");
        // bash notes each start, the script's mode and whether it leads its
        // own session (field 6 of its stat) in the shared events file.
        const std::string to = " >>'" + events.string() + "'\n";
        tools.tool("bash", "echo \"bash $1\"" + to + "stat -c 'mode %a' \"$1\"" + to +
                               "[ \"$(cut -d' ' -f6 /proc/$$/stat)\" = $$ ] && echo own session" +
                               to + "exec /bin/bash \"$@\"");
        host.bashPath = tools.path("bash");
        testing::fs::create_directories(home / "Library/Logs");
        tools.makeSignedBundle(dest, "1.0.16", "K7M2XQ9PLA");
        tools.makeSignedBundle(candidate, "1.0.17", "K7M2XQ9PLA");
        seen = testing::installTestPlatform(host, events.string());
        controller = testing::testController("tarsel.example");
        StatusBarController::isUpdateRestart = false;
    }

    std::string updaterLog() { return testing::readText(home / "Library/Logs/TarselServer.log"); }
};

TEST_F(DetachedUpdaterTest, ScriptRunsBeforeTheServiceGoesDownThenTheAgentExits) {
    // The hand-over ends its process, so it runs in a child that stands in
    // for the agent. The script reads HOME for its log, as under the real
    // login service.
    pid_t agent = fork();
    if (agent == 0) {
        setenv("HOME", home.c_str(), 1);
        launchDetachedUpdater(*controller, candidate.string(), work.string());
        _exit(99);  // returned: the hand-over failed
    }
    int status = 0;
    waitpid(agent, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    // The detached script carries on after the agent; wait for its last line
    // and for its clean-up, which may come just after that line.
    auto finished = [&] {
        return updaterLog().find("업데이트 종료") != std::string::npos &&
               !testing::fs::exists(work);
    };
    for (int i = 0; i < 600 && !finished(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    std::string lines = testing::readText(events);
    EXPECT_NE(lines.find("unload\n"), std::string::npos) << lines;
    EXPECT_NE(lines.find("bash " + work.string() + "/updater.sh\nmode 755\nown session\n"),
              std::string::npos)
        << lines;
    EXPECT_NE(updaterLog().find("[updater] 시작 parent=" + std::to_string(agent) + " new="),
              std::string::npos)
        << updaterLog();
    EXPECT_NE(updaterLog().find("[updater] 업데이트 종료"), std::string::npos) << updaterLog();
    EXPECT_EQ(updaterLog().find("WARN"), std::string::npos) << updaterLog();
    EXPECT_EQ(testing::bundleVersion(dest), "#!/bin/sh\necho 1.0.17\n");
    EXPECT_FALSE(testing::fs::exists(work));
}

TEST_F(DetachedUpdaterTest, ScriptThatCannotBeWrittenFallsBackAndKeepsTheService) {
    launchDetachedUpdater(*controller, candidate.string(), (dir / "no/such/dir").string());
    EXPECT_EQ(log.lines(), std::vector<std::string>{
                               "⚠️ 자동 업데이트 폴백: 업데이터 작성 실패"});
    EXPECT_FALSE(StatusBarController::isUpdateRestart);
    EXPECT_FALSE(testing::fs::exists(events));  // neither started nor unloaded
    EXPECT_EQ(controller->updateState, UpdateState::idle);
}

TEST_F(DetachedUpdaterTest, ScriptThatCannotStartFallsBackAndKeepsTheService) {
    platform().host.bashPath = (dir / "tools/absent").string();
    launchDetachedUpdater(*controller, candidate.string(), work.string());
    EXPECT_EQ(log.lines(), std::vector<std::string>{
                               "⚠️ 자동 업데이트 폴백: 업데이터 실행 실패"});
    EXPECT_FALSE(StatusBarController::isUpdateRestart);
    EXPECT_FALSE(testing::fs::exists(events));
    EXPECT_EQ(testing::bundleVersion(dest), "#!/bin/sh\necho 1.0.16\n");
}

}  // namespace
}  // namespace tarsel
