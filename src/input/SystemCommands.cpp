// Force quit, App Exposé, show desktop, Mission Control, lock and power.
#include <array>

#include "input/CommandFamilies.h"
#include "input/KeyMap.h"
#include "input/MainThread.h"
#include "platform/Platform.h"
#include "runtime/Log.h"

namespace tarsel::KeyMapProcessor {
namespace {

template <std::size_t N>
bool isOneOf(const std::string& name, const std::array<const char*, N>& names) {
    for (const char* n : names)
        if (name == n) return true;
    return false;
}

}  // namespace

bool runEarlySystemCommand(const std::string& name) {
    if (isOneOf<3>(name, {"force_quit", "cmd+opt+esc", "command+option+esc"})) {
        logLine("⚡️ System Command: Force Quit");
        runScript(
            "tell application \"System Events\" to key code 53 using {command down, option down}");
    } else if (isOneOf<3>(name, {"app_expose", "ctrl+down", "control+down"})) {
        logLine("⚡️ System Command: App Expose");
        runScript("tell application \"System Events\" to key code 125 using control down");
    } else if (isOneOf<4>(name, {"desktop", "show_desktop", "cmd+f3", "command+f3"})) {
        logLine("⚡️ System Command: Show Desktop (F11)");
        runScript("tell application \"System Events\" to key code 103");
    } else if (isOneOf<4>(name, {"mission_control", "mission_ctrl", "ctrl+up", "control+up"})) {
        logLine("⚡️ System Command: Mission Control");
        platform().workspace->openTool({"-a", "Mission Control"});
    } else {
        return false;
    }
    return true;
}

bool runLateSystemCommand(const std::string& name) {
    if (name == "lock" || name == "lock_screen")
        pressKey(12, flag::command | flag::control);
    else if (name == "shutdown")
        runScript("tell app \"System Events\" to shut down");
    else if (name == "sleep")
        runScript("tell app \"Finder\" to sleep");
    else if (name == "restart")
        runScript("tell app \"System Events\" to restart");
    else
        return false;
    return true;
}

}  // namespace tarsel::KeyMapProcessor
