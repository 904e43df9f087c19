// The generated updater run for real by bash, in a sandbox: a temporary HOME
// and installation folder, and stand-ins for codesign, launchctl, osascript,
// xattr and open.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <regex>
#include <thread>

#include "StandIns.h"
#include "menubar/UpdaterScript.h"

namespace tarsel {
namespace {

using testing::readText;
using testing::StandInTools;
using testing::TempDir;
using testing::writeText;
using testing::fs::path;

const std::string kTeam = "K7M2XQ9PLA";

// The identifier of a process that has already ended and been reaped.
long goneProcessId() {
    pid_t pid = fork();
    if (pid == 0) _exit(0);
    waitpid(pid, nullptr, 0);
    return pid;
}

class UpdaterSandbox : public ::testing::Test {
  protected:
    TempDir dir;
    StandInTools tools{dir / "tools"};
    path home = dir / "home";
    path apps = dir / "Applications";
    path dest = apps / "TarselServer.app";
    path work = dir / "tmp/tsl_update_5A1C";
    path candidate = work / "TarselServer.app";
    path plist = home / "Library/LaunchAgents/com.tarsel.server.plist";
    std::string cp = "/bin/cp";

    void SetUp() override {
        testing::fs::create_directories(home / "Library/Logs");
        tools.makeSignedBundle(dest, "1.0.16", kTeam);
        tools.makeSignedBundle(candidate, "1.0.17", kTeam);
    }

    std::string script(long parentPid) {
        UpdaterScriptValues v{parentPid, candidate.string(), dest.string(), plist.string(),
                              kTeam,     work.string()};
        UpdaterScriptTools t{tools.path("codesign"),  tools.path("launchctl"),
                             tools.path("osascript"), cp,
                             tools.path("xattr"),     tools.path("open")};
        return updaterScript(v, t);
    }

    // Runs the script to its end; `prefix` runs it as another user.
    int run(long parentPid, std::vector<std::string> prefix = {}) {
        writeText(work / "updater.sh", script(parentPid), 0755);
        std::vector<std::string> args = {"HOME=" + home.string(), "PATH=/usr/bin:/bin"};
        args.insert(args.end(), prefix.begin(), prefix.end());
        args.push_back("/bin/bash");
        args.push_back((work / "updater.sh").string());
        return runTool("/usr/bin/env", args).status;
    }

    // The messages of the log file; every line must carry the time and tag.
    std::vector<std::string> messages() {
        std::vector<std::string> out;
        std::stringstream in(readText(home / "Library/Logs/TarselServer.log"));
        static const std::regex line(R"(\[\d\d:\d\d:\d\d\] \[updater\] (.*))");
        for (std::string l; std::getline(in, l);) {
            std::smatch m;
            if (std::regex_match(l, m, line))
                out.push_back(m[1]);
            else if (l.find("[updater]") != std::string::npos)
                ADD_FAILURE() << "bad line: " << l;
        }
        return out;
    }

    std::string lastMessage() {
        auto all = messages();
        return all.empty() ? "" : all.back();
    }

    std::string startLine(long pid) {
        return "시작 parent=" + std::to_string(pid) + " new=" + candidate.string();
    }

    bool intact(const path& app) {
        return runTool(tools.path("codesign"), {"--verify", "--deep", "--strict", app.string()})
                   .status == 0;
    }

    bool called(const std::string& line) {
        return tools.calls().find(line + "\n") != std::string::npos;
    }
};

TEST_F(UpdaterSandbox, SwapLogsInOrderReloadsAndRemovesTheWorkDirectory) {
    long pid = goneProcessId();
    EXPECT_EQ(run(pid), 0);
    EXPECT_EQ(messages(), (std::vector<std::string>{startLine(pid), "교체 완료", "load 성공",
                                                    "업데이트 종료"}));
    EXPECT_EQ(testing::bundleVersion(dest), "#!/bin/sh\necho 1.0.17\n");
    EXPECT_TRUE(intact(dest));
    EXPECT_FALSE(testing::fs::exists(dest.string() + ".bak"));
    EXPECT_FALSE(testing::fs::exists(work));
    std::string calls = tools.calls();
    auto unload = calls.find("launchctl unload " + plist.string());
    auto load = calls.find("launchctl load " + plist.string());
    ASSERT_NE(unload, std::string::npos);
    ASSERT_NE(load, std::string::npos);
    EXPECT_LT(unload, load);
    EXPECT_TRUE(called("xattr -dr com.apple.quarantine " + dest.string()));
    // A writable installation folder needs no password dialog.
    EXPECT_FALSE(called("osascript"));
    EXPECT_EQ(calls.find("open "), std::string::npos);
}

TEST_F(UpdaterSandbox, TamperedCandidateIsRejectedBeforeTheDestinationIsTouched) {
    writeText(candidate / "Contents/MacOS/payload", "added after the agent verified it");
    long pid = goneProcessId();
    EXPECT_EQ(run(pid), 1);
    EXPECT_EQ(messages(), (std::vector<std::string>{startLine(pid), "ERROR codesign 재검증 실패"}));
    EXPECT_EQ(testing::bundleVersion(dest), "#!/bin/sh\necho 1.0.16\n");
    EXPECT_TRUE(intact(dest));
    EXPECT_FALSE(testing::fs::exists(dest.string() + ".bak"));
    EXPECT_FALSE(testing::fs::exists(work));
    EXPECT_EQ(tools.calls().find("launchctl"), std::string::npos);  // stays unloaded
}

TEST_F(UpdaterSandbox, CandidateOfAnotherTeamIsRejected) {
    testing::fs::remove_all(candidate);
    tools.makeSignedBundle(candidate, "1.0.17", kTeam + "0");  // ours as its prefix
    long pid = goneProcessId();
    EXPECT_EQ(run(pid), 1);
    EXPECT_EQ(messages(),
              (std::vector<std::string>{startLine(pid), "ERROR TeamIdentifier 불일치"}));
    EXPECT_EQ(testing::bundleVersion(dest), "#!/bin/sh\necho 1.0.16\n");
    EXPECT_FALSE(testing::fs::exists(work));
}

TEST_F(UpdaterSandbox, FailedCopyRestoresTheBackupAndReloads) {
    tools.tool("cp", R"SH(mkdir -p "$3" && echo partial >"$3/partial"; exit 1)SH");
    cp = tools.path("cp");
    EXPECT_EQ(run(goneProcessId()), 1);
    EXPECT_EQ(lastMessage(), "ERROR 복사 실패 — 롤백");
    EXPECT_EQ(testing::bundleVersion(dest), "#!/bin/sh\necho 1.0.16\n");
    EXPECT_TRUE(intact(dest));
    EXPECT_FALSE(testing::fs::exists(dest.string() + ".bak"));
    EXPECT_FALSE(testing::fs::exists(work));
    EXPECT_TRUE(called("launchctl load " + plist.string()));
}

TEST_F(UpdaterSandbox, InstalledCopyThatFailsVerificationIsRolledBack) {
    tools.tool("cp", R"SH(/bin/cp "$@" && echo junk >"$3/Contents/junk")SH");
    cp = tools.path("cp");
    EXPECT_EQ(run(goneProcessId()), 1);
    EXPECT_EQ(lastMessage(), "ERROR 교체본 검증 실패 — 롤백");
    EXPECT_EQ(testing::bundleVersion(dest), "#!/bin/sh\necho 1.0.16\n");
    EXPECT_TRUE(intact(dest));
    EXPECT_FALSE(testing::fs::exists(work));
    EXPECT_TRUE(called("launchctl load " + plist.string()));
}

TEST_F(UpdaterSandbox, WithoutAnInstalledCopyAFailedCopyOnlyReloads) {
    testing::fs::remove_all(dest);
    tools.tool("cp", "exit 1");
    cp = tools.path("cp");
    EXPECT_EQ(run(goneProcessId()), 1);
    EXPECT_EQ(lastMessage(), "ERROR 복사 실패 — 롤백");
    EXPECT_FALSE(testing::fs::exists(dest));
    EXPECT_FALSE(testing::fs::exists(dest.string() + ".bak"));
    EXPECT_TRUE(called("launchctl load " + plist.string()));
}

TEST_F(UpdaterSandbox, FailedReloadOpensTheApplicationInstead) {
    writeText(dir / "tools/launchctl.status", "1");
    long pid = goneProcessId();
    EXPECT_EQ(run(pid), 0);
    EXPECT_EQ(messages(),
              (std::vector<std::string>{startLine(pid), "교체 완료",
                                        "WARN load 실패 — open 직접 실행", "업데이트 종료"}));
    EXPECT_TRUE(called("open " + dest.string()));
}

TEST_F(UpdaterSandbox, NothingIsSwappedWhileTheAgentStillRuns) {
    path gone = dir / "agent-gone";
    // launchctl notes whether the agent had ended when the script got there.
    tools.tool("launchctl", "[ -e '" + gone.string() + "' ] && echo ended >>'" +
                                (dir / "order").string() + "' || echo running >>'" +
                                (dir / "order").string() + "'");
    pid_t agent = fork();
    if (agent == 0) {
        execl("/bin/sh", "sh", "-c", ("sleep 1; touch '" + gone.string() + "'").c_str(), nullptr);
        _exit(127);
    }
    std::thread reaper([agent] { waitpid(agent, nullptr, 0); });
    EXPECT_EQ(run(agent), 0);
    reaper.join();
    EXPECT_EQ(readText(dir / "order"), "ended\nended\n");  // unload, then load
    EXPECT_EQ(testing::bundleVersion(dest), "#!/bin/sh\necho 1.0.17\n");
}

// Runs the script as an ordinary user, so that folder permissions bind.
class UnprivilegedSandbox : public UpdaterSandbox {
  protected:
    std::vector<std::string> asUser;

    void SetUp() override {
        UpdaterSandbox::SetUp();
        if (geteuid() != 0) return;
        if (!testing::fs::exists("/usr/bin/setpriv")) {
            if (const char* ci = std::getenv("CI"); ci && std::string(ci) == "true")
                FAIL() << "missing /usr/bin/setpriv to drop root";
            GTEST_SKIP() << "missing /usr/bin/setpriv to drop root";
        }
        asUser = {"/usr/bin/setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"};
        for (const path& p : {dir.path(), dir / "tools", home, home / "Library",
                              home / "Library/Logs", dir / "tmp", work})
            testing::fs::permissions(p, testing::fs::perms::all);
    }
};

TEST_F(UnprivilegedSandbox, RefusedPasswordStopsAndKeepsTheWorkDirectory) {
    // A writable bundle in a read-only folder still cannot be swapped.
    writeText(dir / "tools/osascript.status", "1");
    testing::fs::permissions(dest, testing::fs::perms::all);
    testing::fs::permissions(apps, testing::fs::perms(0555));
    EXPECT_EQ(run(goneProcessId(), asUser), 1);
    EXPECT_EQ(lastMessage(), "ERROR 권한 거부");
    EXPECT_TRUE(
        called("osascript -e do shell script \"echo ok\" with administrator privileges "
               "with prompt \"Tarsel 업데이트 설치에 관리자 암호가 필요합니다.\""));
    EXPECT_EQ(testing::bundleVersion(dest), "#!/bin/sh\necho 1.0.16\n");
    EXPECT_TRUE(testing::fs::exists(work / "updater.sh"));
    EXPECT_FALSE(called("launchctl load " + plist.string()));
}

TEST_F(UnprivilegedSandbox, FailedBackupStopsAndKeepsTheWorkDirectory) {
    // A sticky folder is writable (no password asked), but root's bundle in
    // it cannot be moved aside.
    testing::fs::permissions(apps, testing::fs::perms(01777));
    EXPECT_EQ(run(goneProcessId(), asUser), 1);
    EXPECT_EQ(lastMessage(), "ERROR 백업 실패");
    EXPECT_FALSE(called("osascript"));
    EXPECT_EQ(testing::bundleVersion(dest), "#!/bin/sh\necho 1.0.16\n");
    EXPECT_TRUE(testing::fs::exists(work / "updater.sh"));
    EXPECT_FALSE(called("launchctl load " + plist.string()));
}

}  // namespace
}  // namespace tarsel
