#include "host/PortCleanup.h"

#include <chrono>
#include <thread>

#include "host/PortHolders.h"
#include "platform/Platform.h"
#include "runtime/Log.h"
#include "runtime/Process.h"
#include "runtime/Unicode.h"

namespace tarsel {
namespace {

constexpr auto kGrace = std::chrono::seconds(2);
constexpr auto kPoll = std::chrono::milliseconds(50);

// Asked first, so another copy of the agent ends in order (exit status 0, which
// the service manager does not restart); forced only when it does not go.
bool endedWhenAsked(const std::string& pid) {
    auto asked = runProcess(platform().host.killPath, {"-TERM", pid});
    if (!asked || asked->status != 0) return false;
    const int id = std::stoi(pid);
    for (auto waited = std::chrono::milliseconds(0); waited < kGrace; waited += kPoll) {
        if (!processExists(id)) return true;
        std::this_thread::sleep_for(kPoll);
    }
    return !processExists(id);
}

void killProcess(const std::string& pid, const std::string& port) {
    logLine("⚠️  포트 " + port + "를 사용 중인 프로세스 발견: PID " + pid);
    logLine("🔨 프로세스 " + pid + " 종료 중...");
    if (endedWhenAsked(pid)) {
        logLine("✅ 프로세스 " + pid + " 종료 완료");
        return;
    }
    auto kill = runProcess(platform().host.killPath, {"-9", pid});
    if (!kill)
        logLine("❌ 프로세스 " + pid + " 종료 중 오류: " + kill.error());
    else if (kill->status == 0)
        logLine("✅ 프로세스 " + pid + " 종료 완료");
    else
        logLine("⚠️  프로세스 " + pid + " 종료 실패 (권한 부족 가능성)");
}

}  // namespace

void reportPortFree(uint16_t port) {
    const std::string portText = std::to_string(port);
    logLine("🔍 포트 " + portText + " 사용 중인 프로세스 확인 중...");
    logLine("✅ 포트 " + portText + "는 사용 가능합니다.");
}

void killProcessOnPort(uint16_t port, bool bindFailed) {
    const std::string portText = std::to_string(port);
    logLine("🔍 포트 " + portText + " 사용 중인 프로세스 확인 중...");
    // Only UDP sockets bound to the port count: a web server on TCP 3000, or a
    // browser talking to one, is none of our business.
    auto lsof = runProcess(platform().host.lsofPath, lsofUdpPortArguments(port));
    if (!lsof) {
        logLine("⚠️  포트 확인 중 오류 발생: " + lsof.error());
        return;
    }
    if (!unicode::isValidUtf8(lsof->output)) return;
    auto pids = udpPortHolders(lsof->output, port, std::to_string(currentProcessId()));
    if (pids.empty()) {
        logLine(bindFailed
                    ? "⚠️  포트 " + portText +
                          "를 쓰는 프로세스를 찾지 못했습니다 (다른 사용자의 프로세스일 수 있음)"
                    : "✅ 포트 " + portText + "는 사용 가능합니다.");
        return;
    }
    for (const auto& pid : pids) killProcess(pid, portText);
    std::this_thread::sleep_for(std::chrono::milliseconds(500));  // let the kernel free the port
    logLine("✅ 포트 정리 완료");
    logBlankLine();
}

}  // namespace tarsel
