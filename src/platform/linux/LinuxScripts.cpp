#include "platform/linux/LinuxScripts.h"

#include <vector>

#include "platform/Workspace.h"
#include "platform/linux/DesktopLaunch.h"
#include "platform/linux/X11Desktop.h"
#include "runtime/Log.h"
#include "runtime/Process.h"

namespace tarsel {
// Runs the first command whose program exists, after the earlier ones.
void LinuxScripts::runFirstAvailable(std::vector<Argv> candidates) {
    queue_.async([candidates = std::move(candidates)] {
        for (const auto& argv : candidates) {
            auto program = desktop::findExecutable(argv[0]);
            if (!program) continue;
            ProcessOptions options;
            options.captureStdout = false;
            if (auto ran = runProcess(*program, Argv(argv.begin() + 1, argv.end()), options); !ran)
                logLine("⚠️ [Scripts] " + ran.error());
            return;
        }
    });
}

void LinuxScripts::volume(const char* wpctlStep, const char* pactlStep) {
    runFirstAvailable({{"wpctl", "set-volume", "-l", "1.0", "@DEFAULT_AUDIO_SINK@", wpctlStep},
                       {"pactl", "set-sink-volume", "@DEFAULT_SINK@", pactlStep}});
}

void LinuxScripts::run(const std::string& source) {
    if (source == "set volume output volume (output volume of (get volume settings) + 5)") {
        volume("5%+", "+5%");
    } else if (source == "set volume output volume (output volume of (get volume settings) - 5)") {
        volume("5%-", "-5%");
    } else if (source == "set volume output muted not (output muted of (get volume settings))") {
        runFirstAvailable({{"wpctl", "set-mute", "@DEFAULT_AUDIO_SINK@", "toggle"},
                           {"pactl", "set-sink-mute", "@DEFAULT_SINK@", "toggle"}});
    } else if (source == "tell application \"Finder\" to sleep" ||
               source == "tell app \"Finder\" to sleep") {
        runFirstAvailable({{"systemctl", "suspend"}});  // logind decides and may refuse
    } else if (source == "tell app \"System Events\" to shut down") {
        runFirstAvailable({{"systemctl", "poweroff"}});
    } else if (source == "tell app \"System Events\" to restart") {
        runFirstAvailable({{"systemctl", "reboot"}});
    } else if (source == "tell application \"System Events\" to key code 103") {
        if (desktop_) desktop_->toggleShowingDesktop();
    } else if (source == "tell application \"System Events\" to key code 125 using control down") {
        if (overview_) overview_();
    } else if (source ==
               "tell application \"System Events\" to key code 53 using {command "
               "down, option down}") {
        // The nearest thing to the force-quit window: the system monitor.
        if (workspace_) workspace_->openTool({"-b", "com.apple.ActivityMonitor"});
    }
}

}  // namespace tarsel
