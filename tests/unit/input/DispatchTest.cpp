// The dispatcher's routes and the named commands of the three families.
#include <gtest/gtest.h>

#include <algorithm>

#include "InputTest.h"
#include "LogCapture.h"
#include "input/KeyMap.h"

namespace tarsel::KeyMapProcessor {
namespace {

using tarsel::testing::InputTest;
using tarsel::testing::LogCapture;
using V = std::vector<std::string>;

const std::string cmd = "1048576", cmdShift = "1179648", cmdCtrl = "1310720", cmdOpt = "1572864",
                  shift = "131072", ctrl = "262144";

V press(int code, const std::string& flags = "0") {
    return {"down " + std::to_string(code) + " " + flags,
            "up " + std::to_string(code) + " " + flags};
}

class Dispatch : public InputTest {
  protected:
    V run(const std::string& command, const std::optional<PointerDelta>& extra = std::nullopt) {
        journal().clear();
        handleCommand(command, std::nullopt, extra);
        return effects();
    }
};

TEST_F(Dispatch, EarlySystemCommandsComeBeforeTheShapeRoutes) {
    LogCapture log;
    EXPECT_EQ(run("ctrl+up"), V{"open -a Mission Control"});
    EXPECT_EQ(run("Control+Down"),
              V{"script tell application \"System Events\" to key code 125 using control down"});
    EXPECT_EQ(run(" cmd+f3\t"), V{"script tell application \"System Events\" to key code 103"});
    EXPECT_EQ(run("command+option+esc"),
              V{"script tell application \"System Events\" to key code 53 using {command down, "
                "option down}"});
    EXPECT_EQ(
        log.lines(),
        (V{"⚡️ System Command: Mission Control", "⚡️ System Command: App Expose",
           "⚡️ System Command: Show Desktop (F11)", "⚡️ System Command: Force Quit"}));
}

TEST_F(Dispatch, PlusRouteAndNumberRoute) {
    LogCapture log;
    EXPECT_EQ(run("cmd+c"), press(8, cmd));
    EXPECT_EQ(run("cmd+shift"), V{});
    EXPECT_EQ(log.lines(), V{"⚠️ [parseAndPressKey] Unknown key command: cmd+shift"});
    EXPECT_EQ(run("12"), press(12));
    EXPECT_EQ(run("5"), press(5));  // the G key, not the digit
    EXPECT_EQ(run("255"), press(255));
    EXPECT_EQ(run("0"), press(29));  // through to the key table's digit
    EXPECT_EQ(run("256"), (V{"clipboard 256", "down 9 " + cmd, "up 9 " + cmd}));
    EXPECT_EQ(run("-5"), (V{"clipboard -5", "down 9 " + cmd, "up 9 " + cmd}));
    EXPECT_EQ(run("\t12"), (V{"clipboard \t12", "down 9 " + cmd, "up 9 " + cmd}));
}

TEST_F(Dispatch, FixedShortcutsPressTheirKeysWhateverValSays) {
    const std::pair<const char*, V> cases[] = {
        {"copy", press(8, cmd)},
        {"paste", press(9, cmd)},
        {"cut", press(7, cmd)},
        {"save", press(1, cmd)},
        {"undo", press(6, cmd)},
        {"redo", press(6, cmdShift)},
        {"select_all", press(0, cmd)},
        {"find", press(3, cmd)},
        {"delete", press(51)},
        {"backspace", press(51)},
        {"enter", press(36)},
        {"esc", press(53)},
        {"back", press(33, cmd)},
        {"go_back", press(33, cmd)},
        {"forward", press(30, cmd)},
        {"go_forward", press(30, cmd)},
        {"new_tab", press(17, cmd)},
        {"close_tab", press(13, cmd)},
        {"reopen_tab", press(17, cmdShift)},
        {"new_window", press(45, cmd)},
        {"refresh", press(15, cmd)},
        {"prev_tab", press(33, cmdShift)},
        {"next_tab", press(30, cmdShift)},
        {"switch_app", press(48, cmd)},
        {"zoom_in", press(24, cmdOpt)},
        {"zoom_out", press(27, cmdOpt)},
        {"brightness_up", press(144)},
        {"brightness_down", press(145)},
        {"hangul", press(49, ctrl)},
        {"lock", press(12, cmdCtrl)},
        {"lock_screen", press(12, cmdCtrl)},
        {"left", press(123)},
        {"rewind", press(123)},
        {"right", press(124)},
        {"fast_forward", press(124)},
    };
    for (const auto& [name, expected] : cases) {
        journal().clear();
        handleCommand(name, 7, std::nullopt);
        EXPECT_EQ(effects(), expected) << name;
    }
}

TEST_F(Dispatch, SoundPowerAndApplications) {
    LogCapture log;
    const std::string up = "set volume output volume (output volume of (get volume settings) + 5)";
    EXPECT_EQ(run("vol_up"), V{"script " + up});
    EXPECT_EQ(run("MUTE\t"),
              V{"script set volume output muted not (output muted of (get volume settings))"});
    EXPECT_EQ(run("sleep"), V{"script tell app \"Finder\" to sleep"});
    EXPECT_EQ(run("power"), V{"script tell application \"Finder\" to sleep"});
    EXPECT_EQ(run("PowerPoint"), V{"script tell application \"Finder\" to sleep"});
    EXPECT_EQ(run("shutdown"), V{"script tell app \"System Events\" to shut down"});
    EXPECT_EQ(run("restart"), V{"script tell app \"System Events\" to restart"});
    EXPECT_EQ(run("terminal"), V{"open -b com.apple.Terminal"});
    EXPECT_EQ(run("launchpad"), V{"open -b com.apple.launchpad.launcher"});
    EXPECT_EQ(run("browser"), V{"open -b com.google.Chrome"});
    EXPECT_EQ(run("browser_chrome"), V{"open -b com.google.Chrome"});
    EXPECT_EQ(run("browser_safari"), V{});  // not installed: nothing at all
    EXPECT_EQ(run("finder"), V{"launch Finder"});
    EXPECT_EQ(run("explorer"), V{"launch Finder"});
    const V lines = log.lines();
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "📂 Opening Finder"), 1);
}

TEST_F(Dispatch, EveryNamedCommandIsHandledAndNothingElseIs) {
    const char* names[] = {"force_quit",
                           "cmd+opt+esc",
                           "command+option+esc",
                           "app_expose",
                           "ctrl+down",
                           "control+down",
                           "desktop",
                           "show_desktop",
                           "cmd+f3",
                           "command+f3",
                           "mission_control",
                           "mission_ctrl",
                           "ctrl+up",
                           "control+up",
                           "play",
                           "pause",
                           "play_pause",
                           "fullscreen",
                           "click",
                           "right_click",
                           "middle_click",
                           "move",
                           "scroll",
                           "back",
                           "go_back",
                           "forward",
                           "go_forward",
                           "rewind_5",
                           "rewind_10",
                           "forward_5",
                           "forward_10",
                           "rewind",
                           "left",
                           "fast_forward",
                           "right",
                           "prev_video",
                           "next_video",
                           "launchpad",
                           "lock",
                           "lock_screen",
                           "shutdown",
                           "sleep",
                           "restart",
                           "zoom_in",
                           "zoom_out",
                           "copy",
                           "paste",
                           "cut",
                           "save",
                           "undo",
                           "redo",
                           "select_all",
                           "find",
                           "delete",
                           "backspace",
                           "enter",
                           "esc",
                           "screenshot_full",
                           "screenshot",
                           "screenshot_part",
                           "partial_shot",
                           "new_tab",
                           "close_tab",
                           "reopen_tab",
                           "new_window",
                           "refresh",
                           "prev_tab",
                           "next_tab",
                           "switch_app",
                           "new_text_document",
                           "notes",
                           "finder",
                           "explorer",
                           "terminal",
                           "taskmgr",
                           "browser",
                           "browser_chrome",
                           "browser_safari",
                           "vol_up",
                           "vol_down",
                           "mute",
                           "brightness_up",
                           "brightness_down",
                           "hangul"};
    ASSERT_EQ(std::size(names), 84u);
    for (const char* name : names) handleCommand(name, std::nullopt, std::nullopt);
    for (const auto& e : effects()) EXPECT_NE(e.rfind("clipboard", 0), 0u) << e;

    // Unknown names and the loop's own types fall through and are typed.
    LogCapture log;
    EXPECT_EQ(run("Hello World"), (V{"clipboard Hello World", "down 9 " + cmd, "up 9 " + cmd}));
    EXPECT_EQ(run("mouse_down"), (V{"clipboard mouse_down", "down 9 " + cmd, "up 9 " + cmd}));
    EXPECT_EQ(log.lines(), (V{"📝 텍스트 입력: Hello World", "📝 텍스트 입력: mouse_down"}));
    EXPECT_EQ(run("shift"), press(56));  // a lone modifier name is its key
    EXPECT_EQ(run("plus"), press(24));
}

}  // namespace
}  // namespace tarsel::KeyMapProcessor
