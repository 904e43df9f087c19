// The start-at-log-in registration: the launchd property list, the systemd
// user unit, and the "only when missing" rule.
#include <gtest/gtest.h>

#include <filesystem>

#include "HostFakes.h"
#include "LogCapture.h"
#include "host/LaunchAgent.h"
#include "host/LaunchAgentPlist.h"
#include "platform/linux/SystemdLoginService.h"
#include "platform/posix/LaunchdLoginService.h"
#include "runtime/Process.h"

namespace tarsel {
namespace {

namespace fs = std::filesystem;
using testing::FakePlatform;
using testing::LogCapture;
using testing::readFile;
using testing::TempDir;
using testing::writeFile;
using testing::writeTool;

constexpr const char* kPython = "/usr/bin/python3";

TEST(LaunchAgentPlist, IsTheFixedFileWithBothPathsInserted) {
    EXPECT_EQ(launchAgentPlist("/Applications/TarselServer.app/Contents/MacOS/TarselServer",
                               "/Users/kim/Library/Logs/TarselServer.log"),
              R"(<?xml version="1.0" encoding="UTF-8"?>
<!DOCTYPE plist PUBLIC "-//Apple//DTD PLIST 1.0//EN" "http://www.apple.com/DTDs/PropertyList-1.0.dtd">
<plist version="1.0">
<dict>
    <key>Label</key>
    <string>com.tarsel.server</string>
    <key>ProgramArguments</key>
    <array>
        <string>/Applications/TarselServer.app/Contents/MacOS/TarselServer</string>
    </array>
    <key>RunAtLoad</key>
    <true/>
    <key>KeepAlive</key>
    <true/>
    <key>ProcessType</key>
    <string>Interactive</string>
    <key>StandardOutPath</key>
    <string>/Users/kim/Library/Logs/TarselServer.log</string>
    <key>StandardErrorPath</key>
    <string>/Users/kim/Library/Logs/TarselServer.log</string>
</dict>
</plist>
)");
    EXPECT_EQ(launchAgentPlistPath("/Users/kim"),
              "/Users/kim/Library/LaunchAgents/com.tarsel.server.plist");
}

// A real property-list reader must get back exactly the paths that went in.
TEST(LaunchAgentPlist, SpecialCharactersSurviveARealParser) {
    REQUIRE_OR_SKIP(fs::exists(kPython), "python3 (plistlib)");
    TempDir dir;
    const std::string exe = "/Users/A & B <dev>/Tarsel Server.app/Contents/MacOS/TarselServer";
    const std::string log = "/Users/김 & 'x'/Library/Logs/TarselServer.log";
    writeFile(dir / "agent.plist", launchAgentPlist(exe, log));
    writeFile(dir / "check.py",
              "import plistlib, sys\n"
              "d = plistlib.load(open(sys.argv[1], 'rb'))\n"
              "assert list(d) == ['Label', 'ProgramArguments', 'RunAtLoad', 'KeepAlive',"
              " 'ProcessType', 'StandardOutPath', 'StandardErrorPath'], list(d)\n"
              "assert d['Label'] == 'com.tarsel.server' and d['ProcessType'] == 'Interactive'\n"
              "assert d['RunAtLoad'] is True and d['KeepAlive'] is True\n"
              "assert d['StandardOutPath'] == d['StandardErrorPath']\n"
              "print(d['ProgramArguments'][0]); print(d['StandardOutPath'])\n");
    ProcessOptions options;
    options.mergeStderr = true;
    auto result = runProcess(kPython, {dir / "check.py", dir / "agent.plist"}, options);
    ASSERT_EQ(result.status, 0) << result.output;
    EXPECT_EQ(result.output, exe + "\n" + log + "\n");
}

TEST(LaunchdLoginService, WritesThePlistAndUnloadsByItsPath) {
    TempDir home;
    const std::string calls = home / "calls";
    LaunchdLoginService launchd(home.path(),
                                writeTool(home / "launchctl", "echo \"$@\" >> '" + calls + "'"));
    std::string error;
    ASSERT_TRUE(launchd.install("/Apps/T.app/Contents/MacOS/T", home / "log", &error)) << error;
    const std::string plist = home / "Library/LaunchAgents/com.tarsel.server.plist";
    EXPECT_EQ(launchd.registrationPath(), plist);
    EXPECT_EQ(readFile(plist), launchAgentPlist("/Apps/T.app/Contents/MacOS/T", home / "log"));
    launchd.unload();
    launchd.load();
    EXPECT_EQ(readFile(calls), "unload " + plist + "\nload " + plist + "\n");
}

TEST(SystemdUserUnit, QuotesThePathsAndEscapesSpecifiers) {
    EXPECT_EQ(systemdUserUnit("/home/a b/100%/tarsel-server"),
              "[Unit]\n"
              "Description=Tarsel Server (phone remote keyboard and mouse)\n"
              "After=graphical-session.target\n"
              "\n"
              "[Service]\n"
              "Type=simple\n"
              "ExecStart=\"/home/a b/100%%/tarsel-server\"\n"
              "Restart=always\n"
              "RestartSec=3\n"
              "\n"
              "[Install]\n"
              "WantedBy=default.target\n");
    // Paths systemd could not use make no unit at all.
    for (const char* unusable : {"/home/o'neil/tarsel-server", "/a\\b/tarsel-server",
                                 "/home/x\ny/tarsel-server", "tarsel-server"})
        EXPECT_EQ(systemdUserUnit(unusable), "") << unusable;
}

class EnsureInstalled : public ::testing::Test {
  protected:
    void SetUp() override {
        platform().host.executablePath = exe;
        platform().login =
            std::make_unique<SystemdLoginService>(home.path(), "/bin/true", home / "usr/lib/user");
    }
    std::string unitPath() const { return home / ".config/systemd/user/tarsel-server.service"; }

    TempDir home{"tarsel home & 100%"};
    FakePlatform fakes{home.path()};
    std::string exe = home / "bin dir/tarsel-server";
    LogCapture log;
};

// Writing, enabling and leaving the user's own unit alone: tests/e2e/test_start_at_login.py.
TEST_F(EnsureInstalled, APackagedUnitMeansNoUnitOfOurOwn) {
    writeFile(home / "usr/lib/user/tarsel-server.service", "[Service]\n");
    ensureLaunchAgentInstalled();
    EXPECT_TRUE(log.lines().empty());
    EXPECT_FALSE(fs::exists(unitPath()));
}

TEST_F(EnsureInstalled, AFailureIsLoggedAndLeavesNoFile) {
    writeFile(home / ".config/systemd/user", "a file where the folder should be");
    ensureLaunchAgentInstalled();
    auto lines = log.lines();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].rfind("⚠️ LaunchAgent 등록 실패: ", 0), 0u) << lines[0];

    platform().host.executablePath = home / "it's here/tarsel-server";
    fs::remove(home / ".config/systemd/user");
    log.clear();
    ensureLaunchAgentInstalled();
    ASSERT_EQ(log.lines().size(), 1u);
    EXPECT_EQ(log.lines()[0].rfind("⚠️ LaunchAgent 등록 실패: ", 0), 0u);
    EXPECT_FALSE(fs::exists(unitPath()));

    // A link that cannot be made leaves no unit, so the next start tries again.
    platform().host.executablePath = exe;
    const auto link = home / ".config/systemd/user/default.target.wants/tarsel-server.service";
    fs::create_directories(link + "/in the way");
    log.clear();
    ensureLaunchAgentInstalled();
    EXPECT_EQ(log.lines().size(), 1u);
    EXPECT_FALSE(fs::exists(unitPath()));
    fs::remove_all(link);
    ensureLaunchAgentInstalled();
    EXPECT_EQ(fs::read_symlink(link).string(), unitPath());
    EXPECT_TRUE(fs::exists(unitPath()));
}

}  // namespace
}  // namespace tarsel
