// The start-at-log-in registration: the launchd property list and the
// systemd unit's failures. Writing, enabling and leaving the user's own unit
// alone: tests/e2e/test_start_at_login.py.
#include <gtest/gtest.h>

#include <filesystem>

#include "FakePlatform.h"
#include "LogCapture.h"
#include "TestFiles.h"
#include "host/LaunchAgent.h"
#include "host/LaunchAgentPlist.h"
#include "platform/linux/SystemdLoginService.h"

namespace tarsel {
namespace {

namespace fs = std::filesystem;
using testing::TempDir;
using testing::writeText;

TEST(LaunchAgentPlist, IsTheFixedFileWithBothPathsEscaped) {
    EXPECT_EQ(launchAgentPlist("/Applications/A & <B>/TarselServer",
                               "/Users/kim/Library/Logs/TarselServer.log"),
              R"(<?xml version="1.0" encoding="UTF-8"?>
<!DOCTYPE plist PUBLIC "-//Apple//DTD PLIST 1.0//EN" "http://www.apple.com/DTDs/PropertyList-1.0.dtd">
<plist version="1.0">
<dict>
    <key>Label</key>
    <string>com.tarsel.server</string>
    <key>ProgramArguments</key>
    <array>
        <string>/Applications/A &amp; &lt;B&gt;/TarselServer</string>
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

// A packaged unit means none of our own; a failure is one line and leaves no
// unit, so the next start tries again.
TEST(SystemdRegistration, PackagedUnitsAndFailuresLeaveNoUnitOfOurOwn) {
    TempDir home{"tarsel home & 100%"};
    testing::FakePlatform fakes{home.path()};
    testing::LogCapture log;
    const std::string unit = home / ".config/systemd/user/tarsel-server.service";
    const std::string link =
        home / ".config/systemd/user/default.target.wants/tarsel-server.service";
    platform().login =
        std::make_unique<SystemdLoginService>(home.path(), "/bin/true", home / "usr/lib/user");
    auto failsOnce = [&] {
        log.clear();
        ensureLaunchAgentInstalled();
        ASSERT_EQ(log.lines().size(), 1u);
        EXPECT_EQ(log.lines()[0].rfind("⚠️ LaunchAgent 등록 실패: ", 0), 0u)
            << log.lines()[0];
        EXPECT_FALSE(fs::exists(unit));
    };

    writeText(home / "usr/lib/user/tarsel-server.service", "[Service]\n");
    ensureLaunchAgentInstalled();
    EXPECT_TRUE(log.lines().empty());
    EXPECT_FALSE(fs::exists(unit));
    fs::remove_all(home / "usr");

    platform().host.executablePath = home / "bin dir/tarsel-server";
    writeText(home / ".config/systemd/user", "a file where the folder should be");
    failsOnce();
    fs::remove(home / ".config/systemd/user");
    platform().host.executablePath = home / "it's here/tarsel-server";  // systemd cannot quote it
    failsOnce();
    platform().host.executablePath = home / "bin dir/tarsel-server";
    fs::create_directories(link + "/in the way");
    failsOnce();
    fs::remove_all(link);
    ensureLaunchAgentInstalled();
    EXPECT_EQ(fs::read_symlink(link).string(), unit);
    EXPECT_TRUE(fs::exists(unit));
}

}  // namespace
}  // namespace tarsel
