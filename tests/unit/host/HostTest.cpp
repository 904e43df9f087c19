// The agent on its host: the start-at-log-in registration (the launchd
// property list's paths, the systemd unit's first enabling and failures) and who holds the port
// at start and how the cleanup treats each of them. Writing and enabling the
// unit and the whole cleanup against real processes: tests/e2e/test_lifecycle.py.
#include <gtest/gtest.h>

#include <filesystem>

#include "FakePlatform.h"
#include "LogCapture.h"
#include "TestFiles.h"
#include "host/LaunchAgent.h"
#include "host/LaunchAgentPlist.h"
#include "host/PortCleanup.h"
#include "host/PortHolders.h"
#include "platform/linux/Autostart.h"
#include "platform/linux/SystemdLoginService.h"

namespace tarsel {
namespace {

using V = std::vector<std::string>;

namespace fs = std::filesystem;
using testing::readText;
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

// The first start enables the packaged unit once and records it; a user who
// disables it later stays disabled. A failure is one line and records
// nothing, so the next start tries again.
TEST(SystemdRegistration, FirstStartEnablesOnceAndTheUsersChoiceStays) {
    TempDir home{"tarsel home & 100%"};
    testing::FakePlatform fakes{home.path()};
    testing::LogCapture log;
    unsetenv("XDG_CONFIG_HOME");
    unsetenv("XDG_STATE_HOME");
    const std::string unit = home / ".config/systemd/user/tarsel-server.service";
    const std::string link =
        home / ".config/systemd/user/graphical-session.target.wants/tarsel-server.service";
    const std::string state = home / ".local/state/tarsel/autostart";
    const std::string packaged = home / "usr/lib/user/tarsel-server.service";
    platform().login =
        std::make_unique<SystemdLoginService>(home.path(), "/bin/true", home / "usr/lib/user");
    auto& login = *platform().login;
    auto failsOnce = [&] {
        log.clear();
        ensureLaunchAgentInstalled();
        ASSERT_EQ(log.lines().size(), 1u);
        EXPECT_EQ(log.lines()[0].rfind("⚠️ 자동 시작 등록 실패: ", 0), 0u)
            << log.lines()[0];
        EXPECT_FALSE(fs::exists(unit));
        EXPECT_FALSE(fs::exists(state));
    };

    writeText(packaged, "[Service]\n");
    ensureLaunchAgentInstalled();
    EXPECT_EQ(log.lines().at(0), "✅ 자동 시작 등록 (systemd 사용자 유닛): " + packaged);
    EXPECT_EQ(fs::read_symlink(link).string(), packaged);
    EXPECT_EQ(readText(state), "on\n");
    EXPECT_FALSE(fs::exists(unit));
    fs::remove(link);  // systemctl --user disable
    log.clear();
    ensureLaunchAgentInstalled();
    EXPECT_TRUE(log.lines().empty());
    EXPECT_EQ(login.startsAtLogin(), false);
    ASSERT_TRUE(login.setStartsAtLogin(true));
    EXPECT_EQ(login.startsAtLogin(), true);
    ASSERT_TRUE(login.setStartsAtLogin(false));
    EXPECT_FALSE(fs::is_symlink(link));
    EXPECT_EQ(readText(state), "off\n");
    fs::remove_all(home / "usr");
    fs::remove_all(home / ".config");
    fs::remove(state);

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
    EXPECT_EQ(readText(state), "on\n");
}

// Where no user manager runs the packaged autostart entry starts the agent;
// "off" hides it for this user only. With neither way there is nothing to set.
TEST(Autostart, TheEntryIsHiddenForThisUserAndNothingIsSetWithoutAWay) {
    TempDir root;
    AutostartPlaces places{root / "config", root / "state", root / "units", root / "xdg"};
    Autostart autostart(places);
    EXPECT_EQ(autostart.way(), AutostartWay::none);
    EXPECT_FALSE(autostart.set(true));
    EXPECT_FALSE(fs::exists(autostart.statePath()));

    writeText(root / "xdg/tarsel-server.desktop", "[Desktop Entry]\n");
    EXPECT_EQ(autostart.way(), AutostartWay::entry);
    EXPECT_TRUE(autostart.enabled());
    ASSERT_TRUE(autostart.set(false));
    EXPECT_NE(readText(root / "config/autostart/tarsel-server.desktop").find("\nHidden=true\n"),
              std::string::npos);
    EXPECT_FALSE(autostart.enabled());
    ASSERT_TRUE(autostart.set(true));
    EXPECT_TRUE(autostart.enabled());
    EXPECT_FALSE(fs::exists(root / "config/autostart/tarsel-server.desktop"));
    EXPECT_EQ(readText(autostart.statePath()), "on\n");
}

TEST(PortHolders, OnlyLocalUdpPortCountsAndEachProcessOnce) {
    const std::string out =
        "p100\nf3\nPUDP\nn127.0.0.1:51000->10.0.0.9:3000\n"  // a client of someone's 3000
        "p200\nf4\nPUDP\nn*:3000\nf5\nPUDP\nn[::1]:3000\n"   // two sockets, one process
        "p300\nf6\nPTCP\nn127.0.0.1:3000\n"                  // TCP never counts
        "p400\nf7\nPUDP\nn127.0.0.1:30000\n"                 // another port
        "p500\nf8\nPUDP\nn10.0.0.2:3000->10.0.0.9:5353\n"    // bound to 3000, connected out
        "p42\nf9\nPUDP\nn0.0.0.0:3000\n"                     // the agent itself
        "\n\np7\r\nPUDP\r\nn*:3000\r\n\n";                   // blank lines, carriage returns
    EXPECT_EQ(udpPortHolders(out, 3000, "42"), (V{"200", "500", "7"}));
    EXPECT_TRUE(udpPortHolders("PUDP\nn*:3000\n", 3000, "1").empty());  // no process line
    EXPECT_EQ(lsofUdpPortArguments(3000), (V{"-nP", "-w", "-iUDP:3000", "-FpPn"}));
}

// The kernel's table names every socket's owner: only those bound to the
// port count (not a socket talking to someone's 3000), IPv4 and IPv6 alike.
TEST(PortHolders, SocketOwnersOfAPortFromTheKernelsTable) {
    const std::string table =
        "  sl  local_address rem_address   st tx_queue rx_queue tr tm->when retrnsmt   uid  "
        "timeout inode ref pointer drops\n"
        "  12: 00000000:0BB8 00000000:0000 07 00000000:00000000 00:00000000 00000000  1001 "
        "       0 4242 2 0000000000000000 0\n"
        "  13: 0100007F:C350 0900000A:0BB8 01 00000000:00000000 00:00000000 00000000     0 "
        "       0 77 2 0000000000000000 0\n"
        "  40: 00000000000000000000000001000000:0BB8 00000000000000000000000000000000:0000 07 "
        "00000000:00000000 00:00000000 00000000     0        0 99 2 0000000000000000 0\n"
        "  41: 00000000:0BB9 00000000:0000 07 00000000:00000000 00:00000000 00000000  5 0 5 2\n";
    auto sockets = udpSocketsOnPort(table, 3000);
    ASSERT_EQ(sockets.size(), 2u);
    EXPECT_EQ(std::pair(sockets[0].uid, sockets[0].inode), std::pair(1001u, uint64_t{4242}));
    EXPECT_EQ(std::pair(sockets[1].uid, sockets[1].inode), std::pair(0u, uint64_t{99}));
    EXPECT_EQ(describePortOwner({1001, "bob", "python3", 4242}), "bob (python3, PID 4242)");
    EXPECT_EQ(describePortOwner({0, "root", "", std::nullopt}), "root");
    EXPECT_EQ(describePortOwner({1234, "", "", std::nullopt}), "1234");
}

// A refused kill is logged and the next holder still ended; tools that cannot
// start are logged and skipped.
TEST(PortCleanup, GoesOnAfterARefusalAndAfterToolsThatCannotStart) {
    testing::TempDir dir;
    testing::FakePlatform fakes;
    testing::LogCapture log;
    writeText(dir / "out", "p4999998\nPUDP\nn*:3000\np4999999\nPUDP\nn127.0.0.1:3000\n");
    writeText(dir / "lsof", "#!/bin/sh\ncat '" + dir / "out" + "'; exit 1\n", 0755);
    writeText(dir / "kill",
              "#!/bin/sh\necho \"$@\" >> '" + dir / "kills" + "'\n[ \"$2\" = 4999999 ]\n", 0755);
    platform().host.lsofPath = dir / "lsof";
    platform().host.killPath = dir / "kill";
    killProcessOnPort(3000);
    EXPECT_EQ(log.lines(),
              (V{
                  "🔍 포트 3000 사용 중인 프로세스 확인 중...",
                  "⚠️  포트 3000를 사용 중인 프로세스 발견: PID 4999998",
                  "🔨 프로세스 4999998 종료 중...",
                  "⚠️  프로세스 4999998 종료 실패 (권한 부족 가능성)",
                  "⚠️  포트 3000를 사용 중인 프로세스 발견: PID 4999999",
                  "🔨 프로세스 4999999 종료 중...",
                  "✅ 프로세스 4999999 종료 완료",
                  "✅ 포트 정리 완료",
                  "",
              }));
    // Asked first; forced only where asking failed (4999999 is gone once asked).
    EXPECT_EQ(readText(dir / "kills"), "-TERM 4999998\n-9 4999998\n-TERM 4999999\n");

    log.clear();
    platform().host.killPath = dir / "no-such-kill";
    killProcessOnPort(3000);
    ASSERT_EQ(log.lines().size(), 9u);
    EXPECT_EQ(log.lines()[3].rfind("❌ 프로세스 4999998 종료 중 오류: ", 0), 0u) << log.lines()[3];

    log.clear();
    platform().host.lsofPath = dir / "no-such-lsof";
    killProcessOnPort(3000);
    ASSERT_EQ(log.lines().size(), 2u);
    EXPECT_EQ(log.lines()[1].rfind("⚠️  포트 확인 중 오류 발생: ", 0), 0u)
        << log.lines()[1];
}

}  // namespace
}  // namespace tarsel
