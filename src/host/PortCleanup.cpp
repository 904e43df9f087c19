#include "host/PortCleanup.h"

#include <chrono>
#include <thread>

#include "host/PortHolders.h"
#include "platform/Platform.h"
#include "runtime/Log.h"
#include "runtime/Process.h"
#include "runtime/Text.h"
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
    logLine(tr("⚠️  a process uses port {1}: PID {2}", port, pid));
    logLine(tr("🔨 ending process {1}...", pid));
    if (endedWhenAsked(pid)) {
        logLine(tr("✅ process {1} ended", pid));
        return;
    }
    auto kill = runProcess(platform().host.killPath, {"-9", pid});
    if (!kill)
        logLine(tr("❌ error while ending process {1}: {2}", pid, kill.error()));
    else if (kill->status == 0)
        logLine(tr("✅ process {1} ended", pid));
    else
        logLine(tr("⚠️  process {1} could not be ended (perhaps no permission)", pid));
}

}  // namespace

void reportPortFree(uint16_t port) {
    const std::string portText = std::to_string(port);
    logLine(tr("🔍 looking for processes on port {1}...", portText));
    logLine(tr("✅ port {1} is free.", portText));
}

void killProcessOnPort(uint16_t port, bool bindFailed) {
    const std::string portText = std::to_string(port);
    logLine(tr("🔍 looking for processes on port {1}...", portText));
    // Only UDP sockets bound to the port count: a web server on TCP 3000, or a
    // browser talking to one, is none of our business.
    auto lsof = runProcess(platform().host.lsofPath, lsofUdpPortArguments(port));
    if (!lsof) {
        logLine(tr("⚠️  error while checking the port: {1}", lsof.error()));
        return;
    }
    if (!unicode::isValidUtf8(lsof->output)) return;
    auto pids = udpPortHolders(lsof->output, port, std::to_string(currentProcessId()));
    if (pids.empty()) {
        logLine(bindFailed ? tr("⚠️  no process found on port {1} (it may be another user's)",
                                portText)
                           : tr("✅ port {1} is free.", portText));
        return;
    }
    for (const auto& pid : pids) killProcess(pid, portText);
    std::this_thread::sleep_for(std::chrono::milliseconds(500));  // let the kernel free the port
    logLine(tr("✅ port clean-up done"));
    logBlankLine();
}

}  // namespace tarsel
