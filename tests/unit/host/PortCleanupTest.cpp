// Who holds the port, and how the cleanup treats each of them.
#include <gtest/gtest.h>

#include "HostFakes.h"
#include "LogCapture.h"
#include "host/PortCleanup.h"
#include "host/PortHolders.h"
#include "runtime/Process.h"

namespace tarsel {
namespace {

using testing::FakePlatform;
using testing::LogCapture;
using testing::TempDir;
using testing::writeTool;

TEST(PortHolders, OnlyLocalUdpPortCountsAndEachProcessOnce) {
    const std::string out =
        "p100\nf3\nPUDP\nn127.0.0.1:51000->10.0.0.9:3000\n"  // a client of someone's 3000
        "p200\nf4\nPUDP\nn*:3000\nf5\nPUDP\nn[::1]:3000\n"   // two sockets, one process
        "p300\nf6\nPTCP\nn127.0.0.1:3000\n"                  // TCP never counts
        "p400\nf7\nPUDP\nn127.0.0.1:30000\n"                 // another port
        "p500\nf8\nPUDP\nn10.0.0.2:3000->10.0.0.9:5353\n"    // bound to 3000, connected out
        "p42\nf9\nPUDP\nn0.0.0.0:3000\n";                    // the agent itself
    EXPECT_EQ(udpPortHolders(out, 3000, "42"), (std::vector<std::string>{"200", "500"}));
}

TEST(PortHolders, BlankLinesAndCarriageReturnsYieldNoEmptyPids) {
    EXPECT_EQ(udpPortHolders("\n\np7\r\nPUDP\r\nn*:3000\r\n\n\n", 3000, "1"),
              std::vector<std::string>{"7"});
    EXPECT_TRUE(udpPortHolders("", 3000, "1").empty());
    EXPECT_TRUE(udpPortHolders("PUDP\nn*:3000\n", 3000, "1").empty());  // no process line
}

TEST(PortHolders, AsksLsofForUdpOnlyInFieldForm) {
    EXPECT_EQ(lsofUdpPortArguments(3000),
              (std::vector<std::string>{"-nP", "-w", "-iUDP:3000", "-FpPn"}));
}

class PortCleanup : public ::testing::Test {
  protected:
    void SetUp() override {
        // kill succeeds for 111, is refused for 222; every call is written down.
        platform().host.killPath =
            writeTool(dir / "kill", "echo \"$@\" >> '" + dir / "kills" + "'\n[ \"$2\" = 111 ]");
    }
    void fakeLsof(const std::string& output) {
        writeTool(dir / "out", "");
        testing::writeFile(dir / "out", output);
        platform().host.lsofPath = writeTool(dir / "lsof", "cat '" + dir / "out" + "'; exit 1");
    }

    TempDir dir;
    FakePlatform fakes;
    LogCapture log;
};

TEST_F(PortCleanup, EndsEachHolderInOrderAndGoesOnAfterARefusal) {
    fakeLsof("p222\nPUDP\nn*:3000\np111\nPUDP\nn127.0.0.1:3000\n");
    killProcessOnPort(3000);
    EXPECT_EQ(log.lines(), (std::vector<std::string>{
                               "🔍 포트 3000 사용 중인 프로세스 확인 중...",
                               "⚠️  포트 3000를 사용 중인 프로세스 발견: PID 222",
                               "🔨 프로세스 222 종료 중...",
                               "⚠️  프로세스 222 종료 실패 (권한 부족 가능성)",
                               "⚠️  포트 3000를 사용 중인 프로세스 발견: PID 111",
                               "🔨 프로세스 111 종료 중...",
                               "✅ 프로세스 111 종료 완료",
                               "✅ 포트 정리 완료",
                               "",
                           }));
    EXPECT_EQ(testing::readFile(dir / "kills"), "-9 222\n-9 111\n");
}

TEST_F(PortCleanup, OnlyTheAgentItselfMeansThePortIsFree) {
    fakeLsof("p" + std::to_string(currentProcessId()) + "\nPUDP\nn*:3000\n");
    killProcessOnPort(3000);
    EXPECT_EQ(log.lines(), (std::vector<std::string>{"🔍 포트 3000 사용 중인 프로세스 확인 중...",
                                                     "✅ 포트 3000는 사용 가능합니다."}));
    EXPECT_FALSE(std::filesystem::exists(dir / "kills"));
}

TEST_F(PortCleanup, ToolsThatCannotStartAreLoggedAndSkipped) {
    fakeLsof("p111\nPUDP\nn*:3000\n");
    platform().host.killPath = dir / "no-such-kill";
    killProcessOnPort(3000);
    auto lines = log.lines();
    ASSERT_EQ(lines.size(), 6u);
    EXPECT_EQ(lines[3].rfind("❌ 프로세스 111 종료 중 오류: ", 0), 0u) << lines[3];
    EXPECT_EQ(lines[4], "✅ 포트 정리 완료");

    log.clear();
    platform().host.lsofPath = dir / "no-such-lsof";
    killProcessOnPort(3000);
    lines = log.lines();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[1].rfind("⚠️  포트 확인 중 오류 발생: ", 0), 0u) << lines[1];
}

TEST_F(PortCleanup, OutputThatIsNotUtf8EndsSilently) {
    fakeLsof("p111\nPUDP\nn*:3000\xff\n");
    killProcessOnPort(3000);
    EXPECT_EQ(log.lines().size(), 1u);
    EXPECT_FALSE(std::filesystem::exists(dir / "kills"));
}

}  // namespace
}  // namespace tarsel
