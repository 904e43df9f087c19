// Every command name the phone sends, and what it does: the routes, the named
// commands, the playback keys that follow the front-most application, moves
// and scrolls; the key table and the combination parser beneath them.
#include <gtest/gtest.h>

#include <algorithm>

#include "InputTest.h"
#include "LogCapture.h"
#include "input/CommandNames.h"
#include "input/KeyMap.h"
#include "input/KeyTable.h"

namespace tarsel::KeyMapProcessor {
namespace {

using tarsel::testing::fakes;
using V = std::vector<std::string>;

// "down 8+cmd", "up 8+cmd" reads "8+cmd"; other effects stay as they are.
std::string compact(const V& effects) {
    std::string out;
    for (size_t i = 0; i < effects.size(); ++i) {
        std::string e = effects[i];
        if (e.rfind("down ", 0) == 0 && i + 1 < effects.size() &&
            effects[i + 1] == "up" + e.substr(4))
            e = e.substr(5), ++i;
        out += (out.empty() ? "" : " | ") + e;
    }
    return out;
}

struct Row {
    const char* command;
    const char* effects;
    const char* front = "";
    std::optional<PointerDelta> delta = std::nullopt;
};

const PointerDelta kMove{10, -4};
const auto y = [](int64_t v) { return PointerDelta{std::nullopt, v}; };
const char *vlc = "org.videolan.VLC", *chrome = "com.google.Chrome", *mpv = "io.mpv";
const char* kClick = "mouse 1 500,400 b0 c1 clear | mouse 2 500,400 b0 c1 clear";
const char* kShot = "down 55 | down 56 | 20 | up 56 | up 55";
const char* kAreaShot = "down 55 | down 56 | 21 | up 56 | up 55";
const char* kMission = "open -a Mission Control";
#define KEY_CODE(what) "script tell application \"System Events\" to key code " what
const char* kForceQuit = KEY_CODE("53 using {command down, option down}");
const char* kExpose = KEY_CODE("125 using control down");
const char* kDesktop = KEY_CODE("103");

// clang-format off
const Row kRows[] = {
    // Early system commands, before the shape routes, each with its aliases.
    {"force_quit", kForceQuit}, {"cmd+opt+esc", kForceQuit}, {"command+option+esc", kForceQuit},
    {"app_expose", kExpose}, {"ctrl+down", kExpose}, {"Control+Down", kExpose},
    {"desktop", kDesktop}, {"show_desktop", kDesktop}, {" cmd+f3\t", kDesktop}, {"command+f3", kDesktop},
    {"mission_control", kMission}, {"mission_ctrl", kMission}, {"ctrl+up", kMission}, {"control+up", kMission},
    // The plus route and the number route; everything else unknown is typed.
    {"cmd+c", "8+cmd"}, {"super+e", "14+super"}, {"Super+Ctrl+Left", "123+ctrl+super"}, {"cmd+shift", ""}, {"12", "12"},
    {"5", "5"},  // the G key, not the digit
    {"255", "255"},
    {"0", "29"},  // through to the key table's digit
    {"256", "clipboard 256 | 9+cmd"}, {"-5", "clipboard -5 | 9+cmd"},
    {"\t12", "clipboard \t12 | 9+cmd"}, {"Hello World", "clipboard Hello World | 9+cmd"},
    {"mouse_down", "clipboard mouse_down | 9+cmd"},
    {"shift", "56"},  // a lone modifier name is its key
    {"plus", "24"},
    // Fixed shortcuts.
    {"copy", "8+cmd"}, {"paste", "9+cmd"}, {"cut", "7+cmd"}, {"save", "1+cmd"}, {"undo", "6+cmd"},
    {"redo", "6+cmd+shift"}, {"select_all", "0+cmd"}, {"find", "3+cmd"}, {"delete", "51"},
    {"backspace", "51"}, {"enter", "36"}, {"esc", "53"}, {"back", "33+cmd"}, {"go_back", "33+cmd"},
    {"forward", "30+cmd"}, {"go_forward", "30+cmd"}, {"new_tab", "17+cmd"}, {"close_tab", "13+cmd"},
    {"reopen_tab", "17+cmd+shift"}, {"new_window", "45+cmd"}, {"refresh", "15+cmd"},
    {"prev_tab", "33+cmd+shift"}, {"next_tab", "30+cmd+shift"}, {"switch_app", "48+cmd"},
    {"zoom_in", "24+cmd+opt"}, {"zoom_out", "27+cmd+opt"}, {"brightness_up", "144"},
    {"brightness_down", "145"}, {"hangul", "49+ctrl"}, {"lock", "12+cmd+ctrl"},
    {"lock_screen", "12+cmd+ctrl"}, {"left", "123"}, {"rewind", "123"}, {"right", "124"},
    {"fast_forward", "124"},
    // Sound, power and applications.
    {"vol_up", "script set volume output volume (output volume of (get volume settings) + 5)"},
    {"vol_down", "script set volume output volume (output volume of (get volume settings) - 5)"},
    {"MUTE\t", "script set volume output muted not (output muted of (get volume settings))"},
    {"sleep", "script tell app \"Finder\" to sleep"},
    {"power", "script tell application \"Finder\" to sleep"},
    {"cmd+power", "script tell application \"Finder\" to sleep"},
    {"Power-Off", "script tell application \"Finder\" to sleep"},
    {"power_off", "script tell application \"Finder\" to sleep"},
    // "power" only as a whole word: these are typed.
    {"PowerPoint", "clipboard PowerPoint | 9+cmd"},
    {"open_powerpoint", "clipboard open_powerpoint | 9+cmd"},
    {"shutdown", "script tell app \"System Events\" to shut down"},
    {"restart", "script tell app \"System Events\" to restart"},
    {"terminal", "open -b com.apple.Terminal"},
    {"launchpad", "open -b com.apple.launchpad.launcher"}, {"browser", "open -b com.google.Chrome"},
    {"browser_chrome", "open -b com.google.Chrome"},
    {"browser_safari", ""},  // not installed: nothing at all
    {"finder", "launch Finder"}, {"explorer", "launch Finder"},
    {"new_text_document", "open -b com.apple.TextEdit"}, {"notes", "open -b com.apple.Notes"},
    {"taskmgr", "open -b com.apple.ActivityMonitor"},
    // Clicks and screenshots.
    {"ctrl+click", "hold+ctrl | mouse 1 500,400 b0 c1 clear | mouse 2 500,400 b0 c1 clear | hold"},
    {"Super+Right_Click", "hold+super | mouse 3 500,400 b1 c1 clear | mouse 4 500,400 b1 c1 clear | hold"},
    {"click", kClick}, {"right_click", "mouse 3 500,400 b1 c1 clear | mouse 4 500,400 b1 c1 clear"},
    {"middle_click", "mouse 25 500,400 b2 c1 clear | mouse 26 500,400 b2 c1 clear"},
    {"screenshot_full", kShot}, {"screenshot", kShot}, {"screenshot_part", kAreaShot},
    {"partial_shot", kAreaShot},
    // Playback keys follow the front-most application.
    {"play", "49", vlc}, {"play", "49", "Org.VideoLAN.vlc"}, {"fullscreen", "3+cmd", "vlc"},
    {"rewind_10", "123+cmd", vlc}, {"forward_5", "124+cmd", vlc}, {"prev_video", "35", vlc},
    {"next_video", "45", vlc}, {"play_pause", kClick, chrome}, {"play_pause", kClick},
    {"fullscreen", "3", chrome}, {"rewind_5", "123"}, {"forward_10", "124", chrome},
    {"prev_video", "35+shift"}, {"next_video", "45+shift", chrome}, {"pause", "49", mpv},
    {"fullscreen", "3", mpv},
    // Moves need both deltas and are scaled; scrolls of a hundred are arrow keys.
    {"move", "", "", y(4)}, {"move", ""}, {"move", "mouse 5 515,394 b0 c0", "", kMove},
    {"scroll", "126", "", y(100)}, {"scroll", "125", "", y(-100)},
    {"scroll", "scroll 49", "", y(99)}, {"scroll", "scroll -50", "", y(-101)},
    {"scroll", "scroll 0", "", y(0)}, {"scroll", "", "", PointerDelta{3, std::nullopt}},
    {"scroll", "scroll -2147483648", "", y(INT64_MIN)},
    // Smooth scrolls keep fractions and clamp each axis to ten notches.
    {"smooth_scroll", "smooth scroll 0.25,-1.5", "", PointerDelta{{}, {}, 0.25, -1.5}},
    {"smooth_scroll", "smooth scroll -10,0", "", PointerDelta{{}, {}, -1e9, {}}},
    {"smooth_scroll", "smooth scroll 0,10", "", PointerDelta{{}, {}, {}, 50.0}},
    {"smooth_scroll", "", "", y(3)},
};
// clang-format on

class Commands : public tarsel::testing::InputTest {};

// Every row once; the system commands and "finder" also log a line each time.
TEST_F(Commands, EachNameHasItsEffectWhateverValSays) {
    tarsel::testing::LogCapture log;
    for (const Row& row : kRows) {
        journal().clear();
        fakes().workspace->front = row.front;
        fakes().input->at = {500, 400};
        fakes().clock.advance(1);  // each click starts its own series
        handleCommand(row.command, 7, row.delta);
        EXPECT_EQ(compact(effects()), row.effects) << row.command << " in " << row.front;
    }
    const V lines = log.lines();
    const std::pair<const char*, int> logged[] = {
        {"⚡️ System Command: Force Quit", 3},
        {"⚡️ System Command: App Expose", 3},
        {"⚡️ System Command: Show Desktop (F11)", 4},
        {"⚡️ System Command: Mission Control", 4},
        {"📂 Opening Finder", 1}};  // "explorer" logs nothing
    for (auto [line, times] : logged)
        EXPECT_EQ(std::count(lines.begin(), lines.end(), line), times) << line;
}

// The names tarselctl lists are the dispatcher's own: none of them is typed
// as text. A word that is no command gets the nearest names instead.
TEST_F(Commands, EveryListedNameIsACommandAndOthersGetSuggestions) {
    tarsel::testing::LogCapture log;
    for (const auto& family : tarsel::commandFamilies())
        for (const char* name : family.names) {
            EXPECT_TRUE(tarsel::isCommand(name)) << name;
            handleCommand(name, std::nullopt, std::nullopt);
        }
    tarsel::testing::settle();
    for (const std::string& line : log.lines())
        EXPECT_EQ(line.find("📝"), std::string::npos) << line;
    for (const char* word : {"F5", "ctrl+c", "36", " Enter "}) EXPECT_TRUE(tarsel::isCommand(word));
    for (const char* word : {"left_click", "", "300", "hello world"})
        EXPECT_FALSE(tarsel::isCommand(word)) << word;
    EXPECT_EQ(tarsel::closestCommands("left_click"), (V{"right_click", "click"}));
    EXPECT_EQ(tarsel::closestCommands("volup", 1), V{"vol_up"});
    EXPECT_EQ(tarsel::closestCommands("qwertyuiopasdfgh"), V{});
}

TEST_F(Commands, UnknownCombinationsAndTypedTextAreLogged) {
    tarsel::testing::LogCapture log;
    handleCommand("cmd+shift", std::nullopt, std::nullopt);
    handleCommand("Hello\nWorld", std::nullopt, std::nullopt);
    tarsel::testing::settle();
    EXPECT_EQ(log.lines(), (V{"⚠️ [parseAndPressKey] Unknown key command: cmd+shift",
                              "📝 텍스트 입력: Hello\\nWorld"}));
}

// A terminal never gets Control-C or Control-V: a text goes by Shift-Insert
// where the primary selection holds it too.
TEST_F(Commands, CopyAndPasteInTerminalsNeitherInterruptNorInsertLiterally) {
    using K = EditingKeys;
    const struct {
        K keys;
        bool primary;
        const char *copy, *paste, *typed;
    } rows[] = {
        {K::standard, true, "8+cmd", "9+cmd", "clipboard Hi | 9+cmd"},
        {K::terminal, true, "8+cmd+shift", "9+cmd+shift", "primary Hi | 114+shift"},
        {K::terminal, false, "8+cmd+shift", "9+cmd+shift", "clipboard Hi | 9+cmd+shift"},
        {K::bareTerminal, true, "", "114+shift", "primary Hi | 114+shift"},
        {K::bareTerminal, false, "", "114+shift", "clipboard Hi | 9+cmd+shift"},
    };
    for (const auto& row : rows) {
        fakes().workspace->keys = row.keys;
        fakes().clipboard->primary = row.primary;
        for (auto [command, expected] :
             {std::pair{"copy", row.copy}, {"paste", row.paste}, {"Hi", row.typed}}) {
            journal().clear();
            handleCommand(command, std::nullopt, std::nullopt);
            EXPECT_EQ(compact(effects()), expected) << command << " " << int(row.keys);
        }
    }
}

TEST(LocalPlayer, MarkersAreCaseSensitiveSubstrings) {
    for (const char* id : {"com.apple.quicktimeplayerx", "com.colliderli.iina", "io.mpv",
                           "com.eltima.elmedia-video", "com.movist.movistpro", "org.videolan.vlc"})
        EXPECT_TRUE(isLocalMediaPlayer(id)) << id;
    for (const char* id : {"com.apple.QuickTimePlayerX", "", "com.google.chrome"})
        EXPECT_FALSE(isLocalMediaPlayer(id)) << id;
}

using Kind = Combination::Kind;
constexpr EventFlags cmd = 0x100000, shift = 0x20000, ctrl = 0x40000, opt = 0x80000;

TEST(KeyTable, HasEveryNameOnceWithItsAnsiCode) {
    const auto& map = keyMap();
    EXPECT_EQ(map.size(), 103u);
    const std::pair<const char*, KeyCode> samples[] = {
        {"return", 36}, {"enter", 36}, {"delete", 51}, {"escape", 53}, {"cmd", 55},
        {"alt", 58},    {"fn", 63},    {"mute", 74},   {"help", 114},  {"forward_delete", 117},
        {"up", 126},    {"f1", 122},   {"f11", 103},   {"f17", 64},    {"f20", 90},
        {"a", 0},       {"q", 12},     {"z", 6},       {"y", 16},      {"0", 29},
        {"5", 23},      {"9", 25},     {"\\", 42},     {"`", 50},      {"'", 39},
        {"plus", 24},   {"minus", 27}, {"dash", 27},   {"equal", 24},  {"/", 44},
    };
    for (auto [name, code] : samples) {
        ASSERT_TRUE(map.count(name)) << name;
        EXPECT_EQ(map.at(name), code) << name;
    }
    EXPECT_FALSE(map.count("win"));  // a modifier word only
    EXPECT_FALSE(map.count("power"));
}

TEST(KeyTable, ModifierWords) {
    using Flag = std::optional<EventFlags>;
    for (auto [word, flag] : {std::pair<const char*, Flag>{"win", cmd},
                              {"option", opt},
                              {"control", ctrl},
                              {"function", 0x800000},
                              {"capslock", 0x10000},
                              {"Shift", std::nullopt}})  // callers lower-case first
        EXPECT_EQ(modifierFlagForWord(word), flag) << word;
}

// Modifiers accumulate, the last key wins and numbers are raw codes.
TEST(Combination, KeysModifiersAndNoKey) {
    // clang-format off
    const std::tuple<const char*, KeyCode, EventFlags> presses[] = {
        {"Command + Shift + 3", 20, cmd | shift}, {"a+b", 11, 0},
        {"cmd++c", 8, cmd},  // the empty piece is dropped
        {"ctrl\t+\u3000opt+esc", 53, ctrl | opt},  // tabs, ideographic spaces
        {"cmd+12", 12, cmd}, {"cmd+0", 29, cmd} /* the digit key */, {"cmd+255", 255, cmd},
        {"cmd+plus", 24, cmd | shift}};
    // clang-format on
    for (auto [text, key, modifiers] : presses) {
        auto parsed = parseCombination(text);
        EXPECT_EQ(std::tuple(parsed.kind, parsed.keyCode, parsed.modifiers),
                  std::tuple(Kind::press, key, modifiers))
            << text;
    }
    for (const char* power : {"cmd+power+a", "a+POWER"})
        EXPECT_EQ(parseCombination(power).kind, Kind::power) << power;
    for (const char* none : {"ctrl+300", "ctrl+-5", "ctrl+00", "ctrl+99999999999999999999",
                             "cmd+shift", "+", "cmd+\n"})  // line breaks are not trimmed
        EXPECT_EQ(parseCombination(none).kind, Kind::noKey) << none;
}

TEST(Decimal, SignsDigitsAndRange) {
    EXPECT_EQ(parseDecimal("12", false), 12);
    EXPECT_EQ(parseDecimal("-5", false), -5);
    EXPECT_EQ(parseDecimal("-9223372036854775808", false), INT64_MIN);
    for (const char* bad : {"+5", "\t12", "1 2", "-", "", "٣", "9223372036854775808"})
        EXPECT_FALSE(parseDecimal(bad, false)) << bad;  // ٣: ASCII digits only
}

}  // namespace
}  // namespace tarsel::KeyMapProcessor
