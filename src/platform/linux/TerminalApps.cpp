#include "platform/linux/TerminalApps.h"

#include <array>
#include <string_view>

#include "platform/linux/DesktopLaunch.h"
#include "runtime/Files.h"
#include "runtime/Unicode.h"

namespace tarsel {
namespace {

// Terminals whose own key bindings copy with Control-Shift-C and paste with
// Control-Shift-V (desktop ids and WM_CLASS values, lower-cased).
constexpr std::array<std::string_view, 29> kShiftChordTerminals{"org.gnome.terminal",
                                                                "gnome-terminal",
                                                                "gnome-terminal-server",
                                                                "org.gnome.console",
                                                                "kgx",
                                                                "org.kde.konsole",
                                                                "konsole",
                                                                "xfce4-terminal",
                                                                "com.gexperts.tilix",
                                                                "tilix",
                                                                "terminator",
                                                                "kitty",
                                                                "alacritty",
                                                                "foot",
                                                                "footclient",
                                                                "org.wezfurlong.wezterm",
                                                                "wezterm",
                                                                "qterminal",
                                                                "lxterminal",
                                                                "mate-terminal",
                                                                "sakura",
                                                                "terminology",
                                                                "guake",
                                                                "tilda",
                                                                "st",
                                                                "st-256color",
                                                                "com.mitchellh.ghostty",
                                                                "com.raggesilver.blackbox",
                                                                "deepin-terminal"};

// Terminals where Control-Shift-C is Control-C (an interrupt) and nothing
// binds copy: the xterm family.
constexpr std::array<std::string_view, 8> kBareTerminals{
    "xterm", "uxterm", "urxvt", "rxvt", "urxvt-unicode", "aterm", "eterm", "lxterm"};

template <std::size_t N>
bool listed(const std::array<std::string_view, N>& list, const std::string& id) {
    for (auto name : list)
        if (name == id) return true;
    return false;
}

bool entryIsTerminal(const std::string& id) {
    auto path = desktop::findDesktopEntry(id);
    if (!path) return false;
    auto text = files::readAll(*path);
    if (!text) return false;
    for (std::string_view rest = *text; !rest.empty();) {
        const auto end = rest.find('\n');
        const std::string_view line = rest.substr(0, end);
        if (line.starts_with("Categories=") && line.find("TerminalEmulator") != line.npos)
            return true;
        rest = end == rest.npos ? std::string_view{} : rest.substr(end + 1);
    }
    return false;
}

}  // namespace

EditingKeys editingKeysFor(const std::string& appId) {
    if (appId.empty()) return EditingKeys::standard;
    const std::string id = unicode::toLower(appId);
    if (listed(kShiftChordTerminals, id)) return EditingKeys::terminal;
    if (listed(kBareTerminals, id)) return EditingKeys::bareTerminal;
    if (id.find('/') != id.npos) return EditingKeys::standard;
    return entryIsTerminal(appId) || entryIsTerminal(id) ? EditingKeys::bareTerminal
                                                         : EditingKeys::standard;
}

}  // namespace tarsel
