// Text entry through the clipboard, key ordering, and the system actions.
#include <gtest/gtest.h>

#include <algorithm>

#include "InputTest.h"
#include "LogCapture.h"
#include "input/KeyMap.h"

namespace tarsel::KeyMapProcessor {
namespace {

using tarsel::testing::fakes;
using tarsel::testing::InputTest;
using tarsel::testing::LogCapture;
using V = std::vector<std::string>;

const std::string pasteDown = "down 9 1048576", pasteUp = "up 9 1048576";

class Text : public InputTest {};

TEST_F(Text, TypedTextIsPastedWholeAndLogged) {
    LogCapture log;
    const std::string text = "안녕하세요 👋🏽\n둘째 줄";
    typeText(text);
    typeText("");
    EXPECT_EQ(effects(),
              (V{"clipboard " + text, pasteDown, pasteUp, "clipboard ", pasteDown, pasteUp}));
    // the line break is escaped so the typed text stays one log line
    EXPECT_EQ(log.lines(), (V{"📝 텍스트 입력: 안녕하세요 👋🏽\\n둘째 줄",
                              "📝 텍스트 입력: "}));
    EXPECT_EQ(platform().clipboard->text(), "");
}

TEST_F(Text, PastesAndKeysKeepTheOrderTheyWereAskedIn) {
    LogCapture log;
    pasteText("첫째");
    pasteText("둘째");
    pressKey(36, 0);
    typeText("셋째");
    V seen = effects();
    // The Return key's release runs on its own timer, as long as the third
    // paste's hold; only its place after its own press is fixed.
    auto up = std::find(seen.begin(), seen.end(), "up 36 0");
    ASSERT_NE(up, seen.end());
    EXPECT_LT(std::find(seen.begin(), seen.end(), "down 36 0"), up);
    seen.erase(up);
    EXPECT_EQ(seen, (V{"clipboard 첫째", pasteDown, pasteUp, "clipboard 둘째", pasteDown, pasteUp,
                       "down 36 0", "clipboard 셋째", pasteDown, pasteUp}));
    EXPECT_EQ(log.lines(), V{"📝 텍스트 입력: 셋째"});  // the "text" request logs nothing
}

TEST_F(Text, HoldsLastTheirTimeAndThePasteWaitsForTheScreenshot) {
    pressKey(36, 0);
    takeScreenshot("full");
    typeText("x");
    EXPECT_EQ(effects(), (V{"down 36 0", "down 55 0", "down 56 0", "down 20 0", "up 36 0",
                            "up 20 0", "up 56 0", "up 55 0", "clipboard x", pasteDown, pasteUp}));
    EXPECT_EQ(journal().times(),
              (std::vector<double>{0, 0, 0.02, 0.04, 0.05, 0.11, 0.13, 0.15, 0.15, 0.15, 0.2}));
}

TEST_F(Text, ABurstOfPressesArrivesWholeAndInOrder) {
    for (int i = 0; i < 200; ++i) pressKey(static_cast<KeyCode>(i % 128), 0);
    auto events = effects();
    ASSERT_EQ(events.size(), 400u);
    V downs;
    for (auto& e : events)
        if (e.rfind("down ", 0) == 0) downs.push_back(e);
    for (int i = 0; i < 200; ++i) EXPECT_EQ(downs[i], "down " + std::to_string(i % 128) + " 0");
}

class SystemActions : public InputTest {};

TEST_F(SystemActions, ScreenshotChordOnlyTheExactPartModeSelectsAnArea) {
    const auto chord = [](int digit) {
        const std::string d = std::to_string(digit);
        return V{"down 55 0",      "down 56 0", "down " + d + " 0",
                 "up " + d + " 0", "up 56 0",   "up 55 0"};
    };
    takeScreenshot("part");
    EXPECT_EQ(effects(), chord(21));
    EXPECT_EQ(journal().times(), (std::vector<double>{0, 0.02, 0.04, 0.11, 0.13, 0.15}));
    for (const char* mode : {"full", "", "PART"}) {
        journal().clear();
        takeScreenshot(mode);
        EXPECT_EQ(effects(), chord(20)) << mode;
    }
}

TEST_F(SystemActions, VolumeStepsAreAlwaysFive) {
    setVolume(0);
    setVolume(10);
    setVolume(-3);
    setMute();
    setMute();
    auto e = effects();
    ASSERT_EQ(e.size(), 5u);
    EXPECT_NE(e[0].find("settings) - 5)"), std::string::npos);
    EXPECT_NE(e[1].find("settings) + 5)"), std::string::npos);
    EXPECT_NE(e[2].find("settings) - 5)"), std::string::npos);
    EXPECT_EQ(e[3], e[4]);  // a toggle: twice leaves it as it was
}

TEST_F(SystemActions, BrowsersOpenOnlyWhenInstalledApplicationsAlways) {
    openBrowser("com.example.Missing");
    openApp("com.example.Missing");
    openBrowser("com.google.Chrome");
    EXPECT_EQ(effects(), (V{"open -b com.example.Missing", "open -b com.google.Chrome"}));
}

}  // namespace
}  // namespace tarsel::KeyMapProcessor
