#include "platform/linux/LinuxWorkspace.h"

#include <cstdlib>

#include "platform/linux/DesktopLaunch.h"
#include "platform/linux/TerminalApps.h"
#include "runtime/Files.h"

namespace tarsel {
namespace {

struct AppChoice {
    const char* bundleId;
    std::vector<const char*> desktopIds;   // tried first, in order
    std::vector<const char*> executables;  // then these programs
};

const std::vector<AppChoice>& appChoices() {
    static const std::vector<AppChoice> choices{
        {"com.apple.TextEdit",
         {"org.gnome.TextEditor", "org.gnome.gedit", "org.kde.kwrite", "org.kde.kate",
          "org.xfce.mousepad", "mousepad", "xed", "pluma", "io.github.cboxdoerfer.FeatherPad"},
         {"gnome-text-editor", "gedit", "kwrite", "kate", "mousepad", "xed", "pluma",
          "featherpad"}},
        {"com.apple.Notes",
         {"org.gnome.Notes", "bijiben", "org.kde.knotes", "xpad", "org.gnome.TextEditor",
          "org.gnome.gedit", "org.kde.kwrite", "org.xfce.mousepad"},
         {"gnome-notes", "knotes", "xpad", "gnome-text-editor", "gedit", "kwrite", "mousepad"}},
        {"com.apple.Terminal",
         {"org.gnome.Terminal", "org.gnome.Console", "org.kde.konsole", "xfce4-terminal",
          "debian-xterm"},
         {"x-terminal-emulator", "gnome-terminal", "kgx", "konsole", "xfce4-terminal", "xterm"}},
        {"com.apple.ActivityMonitor",
         {"org.gnome.SystemMonitor", "gnome-system-monitor", "org.kde.plasma-systemmonitor",
          "org.kde.ksysguard", "xfce4-taskmanager", "lxtask"},
         {"gnome-system-monitor", "plasma-systemmonitor", "ksysguard", "xfce4-taskmanager",
          "lxtask"}},
        {"com.google.Chrome",
         {"google-chrome", "com.google.Chrome", "chromium", "org.chromium.Chromium",
          "chromium-browser"},
         {"google-chrome", "google-chrome-stable", "chromium", "chromium-browser"}},
        // Safari does not exist on Linux.
        {"com.apple.Safari", {}, {}},
    };
    return choices;
}

std::optional<std::vector<std::string>> fromDesktopId(const std::string& id) {
    if (auto path = desktop::findDesktopEntry(id)) return std::vector<std::string>{*path};
    return std::nullopt;
}

std::optional<std::vector<std::string>> fromExecutable(const std::string& name) {
    if (auto path = desktop::findExecutable(name)) return std::vector<std::string>{*path};
    return std::nullopt;
}

bool isEntry(const std::vector<std::string>& command) {
    return command.size() == 1 && command[0].ends_with(".desktop");
}

}  // namespace

std::optional<std::vector<std::string>> LinuxWorkspace::commandFor(const std::string& bundleId) {
    for (const auto& choice : appChoices()) {
        if (bundleId != choice.bundleId) continue;
        for (const char* id : choice.desktopIds)
            if (auto c = fromDesktopId(id)) return c;
        for (const char* exe : choice.executables)
            if (auto c = fromExecutable(exe)) return c;
        return std::nullopt;
    }
    // Other identifiers in reverse-DNS form name their desktop entry directly.
    return fromDesktopId(bundleId);
}

std::string LinuxWorkspace::frontmostApplicationId() {
    return frontmost_ ? frontmost_() : "";
}

EditingKeys LinuxWorkspace::frontmostEditingKeys() {
    return editingKeysFor(frontmostApplicationId());
}

void LinuxWorkspace::openTool(const std::vector<std::string>& args) {
    if (args.size() != 2) return;
    if (args[0] == "-a" && args[1] == "Mission Control") {
        if (overview_) overview_();
    } else if (args[0] == "-b" && args[1] == "com.apple.launchpad.launcher") {
        if (overview_) overview_();
    } else if (args[0] == "-b") {
        auto command = commandFor(args[1]);
        if (!command) return;  // the tool would fail on its own; nothing to report
        if (isEntry(*command))
            desktop::launchEntry((*command)[0]);
        else
            desktop::launch(*command);
    }
}

bool LinuxWorkspace::openURL(const std::string& url) {
    return desktop::launch({"xdg-open", url});
}

bool LinuxWorkspace::isApplicationInstalled(const std::string& bundleId) {
    return commandFor(bundleId).has_value();
}

void LinuxWorkspace::launchApplication(const std::string& name) {
    if (name != "Finder") return;
    const char* home = std::getenv("HOME");
    desktop::launch({"xdg-open", home ? home : "/"});
}

}  // namespace tarsel
