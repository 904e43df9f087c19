// The start-at-log-in registration: the launchd property list's paths and the
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

// The launchd file of a Mac: both paths go in escaped, as XML needs them.
TEST(LaunchAgentPlist, BothPathsEscaped) {
    const std::string plist = launchAgentPlist("/A & <B>/TarselServer", "/Users/김/x.log");
    EXPECT_NE(plist.find("<string>/A &amp; &lt;B&gt;/TarselServer</string>\n    </array>"),
              std::string::npos);
    EXPECT_NE(plist.find("<key>StandardErrorPath</key>\n    <string>/Users/김/x.log</string>"),
              std::string::npos);
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
