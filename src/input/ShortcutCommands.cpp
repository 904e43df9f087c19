// Fixed shortcuts, screenshots, sound and applications.
#include <array>

#include "input/CommandFamilies.h"
#include "input/EditingChords.h"
#include "input/KeyMap.h"
#include "platform/Platform.h"
#include "runtime/Log.h"

namespace tarsel::KeyMapProcessor {
namespace {

struct FixedKey {
    const char* name;
    KeyCode code;
    EventFlags modifiers;
};

constexpr EventFlags cmd = flag::command;
constexpr EventFlags shift = flag::shift;
constexpr EventFlags opt = flag::option;

constexpr std::array<FixedKey, 27> kFixedKeys{{
    {"back", 33, cmd},
    {"go_back", 33, cmd},
    {"forward", 30, cmd},
    {"go_forward", 30, cmd},
    {"cut", 7, cmd},
    {"save", 1, cmd},
    {"undo", 6, cmd},
    {"redo", 6, cmd | shift},
    {"select_all", 0, cmd},
    {"find", 3, cmd},
    {"delete", 51, 0},
    {"backspace", 51, 0},
    {"enter", 36, 0},
    {"esc", 53, 0},
    {"new_tab", 17, cmd},
    {"close_tab", 13, cmd},
    {"reopen_tab", 17, cmd | shift},
    {"new_window", 45, cmd},
    {"refresh", 15, cmd},
    {"prev_tab", 33, cmd | shift},
    {"next_tab", 30, cmd | shift},
    {"switch_app", 48, cmd},
    {"zoom_in", 24, cmd | opt},
    {"zoom_out", 27, cmd | opt},
    {"brightness_up", 144, 0},
    {"brightness_down", 145, 0},
    {"hangul", 49, flag::control},
}};

struct AppCommand {
    const char* name;
    const char* bundleId;
};

constexpr std::array<AppCommand, 5> kApps{{
    {"launchpad", "com.apple.launchpad.launcher"},
    {"new_text_document", "com.apple.TextEdit"},
    {"notes", "com.apple.Notes"},
    {"terminal", "com.apple.Terminal"},
    {"taskmgr", "com.apple.ActivityMonitor"},
}};

static_assert(kFixedKeys.back().name != nullptr, "every slot of the table is filled");

bool runFixedKey(const std::string& name) {
    for (const auto& k : kFixedKeys) {
        if (name != k.name) continue;
        pressKey(k.code, k.modifiers);
        return true;
    }
    return false;
}

// Copy and paste follow the front-most application (a terminal's own chords).
bool runEditingChord(const std::string& name) {
    if (name != "copy" && name != "paste") return false;
    const EditingKeys keys = platform().workspace->frontmostEditingKeys();
    const auto chord = name == "copy" ? copyChord(keys) : pasteChord(keys);
    if (chord)
        pressKey(chord->key, chord->modifiers);
    else
        logLine(
            "⌨️ [Input] copy: nothing sent to this terminal (Control-Shift-C would interrupt "
            "its program; a selection there is already copied)");
    return true;
}

bool runScreenshotOrSound(const std::string& name) {
    if (name == "screenshot_full" || name == "screenshot")
        takeScreenshot("full");
    else if (name == "screenshot_part" || name == "partial_shot")
        takeScreenshot("part");
    else if (name == "vol_up")
        setVolume(1);
    else if (name == "vol_down")
        setVolume(-1);
    else if (name == "mute")
        setMute();
    else
        return false;
    return true;
}

bool runApplication(const std::string& name) {
    for (const auto& a : kApps) {
        if (name != a.name) continue;
        openApp(a.bundleId);
        return true;
    }
    if (name == "finder") {
        logLine("📂 Opening Finder");
        platform().workspace->launchApplication("Finder");
    } else if (name == "explorer") {
        platform().workspace->launchApplication("Finder");
    } else if (name == "browser" || name == "browser_chrome") {
        openBrowser("com.google.Chrome");
    } else if (name == "browser_safari") {
        openBrowser("com.apple.Safari");
    } else {
        return false;
    }
    return true;
}

}  // namespace

bool runShortcutCommand(const std::string& name) {
    return runFixedKey(name) || runEditingChord(name) || runScreenshotOrSound(name) ||
           runApplication(name);
}

}  // namespace tarsel::KeyMapProcessor
