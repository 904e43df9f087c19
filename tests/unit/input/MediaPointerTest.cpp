// Playback keys that follow the front-most application; move and scroll.
#include <gtest/gtest.h>

#include "InputTest.h"
#include "input/KeyMap.h"

namespace tarsel::KeyMapProcessor {
namespace {

using tarsel::testing::fakes;
using tarsel::testing::InputTest;
using V = std::vector<std::string>;

V press(int code, const std::string& flags = "0") {
    return {"down " + std::to_string(code) + " " + flags,
            "up " + std::to_string(code) + " " + flags};
}

class MediaPointer : public InputTest {
  protected:
    V run(const std::string& command, const std::optional<PointerDelta>& extra = std::nullopt) {
        journal().clear();
        fakes().clock.advance(1);  // each click starts its own series
        handleCommand(command, std::nullopt, extra);
        return effects();
    }
    V leftClickAtPointer(int clickState = 1) {
        std::string c = " b0 c" + std::to_string(clickState) + " clear";
        return {"mouse 1 500,400" + c, "mouse 2 500,400" + c};
    }
};

TEST_F(MediaPointer, VlcGetsItsOwnKeys) {
    for (const char* id : {"org.videolan.VLC", "Org.VideoLAN.vlc", "vlc"}) {
        fakes().workspace->setFront(id);
        EXPECT_EQ(run("play"), press(49)) << id;
        EXPECT_EQ(run("fullscreen"), press(3, "1048576")) << id;
        EXPECT_EQ(run("rewind_10"), press(123, "1048576")) << id;
        EXPECT_EQ(run("forward_5"), press(124, "1048576")) << id;
        EXPECT_EQ(run("prev_video"), press(35)) << id;
        EXPECT_EQ(run("next_video"), press(45)) << id;
    }
}

TEST_F(MediaPointer, OtherApplicationsGetPlainKeysAndAClick) {
    for (const char* id : {"com.google.Chrome", ""}) {
        fakes().workspace->setFront(id);
        EXPECT_EQ(run("play_pause"), leftClickAtPointer()) << id;
        EXPECT_EQ(run("fullscreen"), press(3)) << id;
        EXPECT_EQ(run("rewind_5"), press(123)) << id;
        EXPECT_EQ(run("forward_10"), press(124)) << id;
        EXPECT_EQ(run("prev_video"), press(35, "131072")) << id;
        EXPECT_EQ(run("next_video"), press(45, "131072")) << id;
    }
    fakes().workspace->setFront("io.mpv");  // a local player that is not VLC
    EXPECT_EQ(run("pause"), press(49));
    EXPECT_EQ(run("fullscreen"), press(3));
}

TEST(LocalPlayer, MarkersAreCaseSensitiveSubstrings) {
    for (const char* id : {"com.apple.quicktimeplayerx", "com.colliderli.iina", "io.mpv",
                           "com.eltima.elmedia-video", "com.movist.movistpro", "org.videolan.vlc"})
        EXPECT_TRUE(isLocalMediaPlayer(id)) << id;
    for (const char* id : {"com.apple.QuickTimePlayerX", "", "com.google.chrome"})
        EXPECT_FALSE(isLocalMediaPlayer(id)) << id;
}

TEST_F(MediaPointer, MoveNeedsBothDeltasAndScalesThem) {
    EXPECT_EQ(run("move", PointerDelta{std::nullopt, 4}), V{});
    EXPECT_EQ(run("move"), V{});
    EXPECT_EQ(run("move", PointerDelta{10, -4}), V{"mouse 5 515,394 b0 c0"});
    EXPECT_EQ(run("move", PointerDelta{1, 1}), V{"mouse 5 516.5,395.5 b0 c0"});
}

TEST_F(MediaPointer, ScrollHundredsAreArrowKeys) {
    EXPECT_EQ(run("scroll", PointerDelta{std::nullopt, 100}), press(126));
    EXPECT_EQ(run("scroll", PointerDelta{std::nullopt, -100}), press(125));
    EXPECT_EQ(run("scroll", PointerDelta{std::nullopt, 99}), V{"scroll 49"});
    EXPECT_EQ(run("scroll", PointerDelta{std::nullopt, -101}), V{"scroll -50"});
    EXPECT_EQ(run("scroll", PointerDelta{std::nullopt, 0}), V{"scroll 0"});
    EXPECT_EQ(run("scroll", PointerDelta{3, std::nullopt}), V{});
    EXPECT_EQ(run("scroll", PointerDelta{std::nullopt, INT64_MIN}), V{"scroll -2147483648"});
}

}  // namespace
}  // namespace tarsel::KeyMapProcessor
