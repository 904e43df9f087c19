#include "input/CommandNames.h"

#include <algorithm>
#include <utility>

#include "input/KeyMap.h"
#include "input/KeyTable.h"
#include "runtime/Unicode.h"

namespace tarsel {

const std::vector<CommandFamily>& commandFamilies() {
    static const std::vector<CommandFamily> families = {
        {"pointer", {"move", "click", "right_click", "middle_click", "scroll", "smooth_scroll"}},
        {"media and volume",
         {"play_pause", "play", "pause", "next_video", "prev_video", "forward_5", "forward_10",
          "rewind_5", "rewind_10", "fast_forward", "rewind", "fullscreen", "vol_up", "vol_down",
          "mute", "brightness_up", "brightness_down"}},
        {"windows and desktops",
         {"switch_app", "app_expose", "mission_control", "mission_ctrl", "desktop", "show_desktop",
          "force_quit", "new_window", "new_tab", "close_tab", "reopen_tab", "prev_tab", "next_tab",
          "zoom_in", "zoom_out"}},
        {"apps",
         {"browser", "browser_chrome", "browser_safari", "finder", "explorer", "terminal", "notes",
          "new_text_document", "launchpad", "taskmgr"}},
        {"editing",
         {"copy", "paste", "cut", "undo", "redo", "select_all", "find", "save", "delete",
          "backspace", "enter", "esc", "back", "go_back", "forward", "go_forward", "refresh",
          "hangul"}},
        {"screenshots", {"screenshot", "screenshot_full", "screenshot_part", "partial_shot"}},
        {"system", {"lock", "lock_screen", "sleep", "restart", "shutdown"}},
    };
    return families;
}

bool isCommand(const std::string& word) {
    const std::string name = unicode::trimWhitespaces(unicode::toLower(word));
    if (name.empty()) return false;
    if (name.find('+') != std::string::npos) return true;
    if (auto code = KeyMapProcessor::parseDecimal(name, false); code && *code >= 1 && *code <= 255)
        return true;
    if (KeyMapProcessor::keyMap().contains(name)) return true;
    for (const auto& family : commandFamilies())
        for (const char* known : family.names)
            if (name == known) return true;
    return false;
}

namespace {

std::size_t editDistance(const std::string& a, const std::string& b) {
    std::vector<std::size_t> row(b.size() + 1);
    for (std::size_t j = 0; j <= b.size(); ++j) row[j] = j;
    for (std::size_t i = 1; i <= a.size(); ++i) {
        std::size_t diagonal = row[0];
        row[0] = i;
        for (std::size_t j = 1; j <= b.size(); ++j) {
            const std::size_t above = row[j];
            row[j] =
                std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
            diagonal = above;
        }
    }
    return row[b.size()];
}

}  // namespace

std::vector<std::string> closestCommands(const std::string& word, std::size_t count) {
    const std::string name = unicode::toLower(word);
    std::vector<std::pair<std::size_t, std::string>> ranked;
    for (const auto& family : commandFamilies())
        for (const char* known : family.names)
            ranked.emplace_back(editDistance(name, known), known);
    std::stable_sort(ranked.begin(), ranked.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<std::string> out;
    for (const auto& [distance, known] : ranked) {
        // Far from everything: no suggestion is better than a random one.
        if (out.size() == count || distance > std::max<std::size_t>(3, name.size() / 2)) break;
        out.push_back(known);
    }
    return out;
}

}  // namespace tarsel
