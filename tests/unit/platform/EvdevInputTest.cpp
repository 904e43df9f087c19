// The evdev translation's exact event stream, read through its sink, and the
// choice of input path from the session.
#include <gtest/gtest.h>
#include <linux/input-event-codes.h>

#include <tuple>
#include <vector>

#include "Language.h"
#include "platform/InputChoice.h"
#include "platform/linux/EvdevInput.h"

namespace tarsel {
namespace {

using Event = std::tuple<char, double, double>;  // key: code, down; motion: dx, dy; wheel
using Events = std::vector<Event>;

struct ListSink : EventSink {
    explicit ListSink(Events& out, bool fractions = false) : out(out), fractions(fractions) {}
    void key(int code, bool down) override { out.emplace_back('k', code, down); }
    void motion(double dx, double dy) override { out.emplace_back('m', dx, dy); }
    void wheel(int32_t units, int32_t notches) override { out.emplace_back('w', units, notches); }
    void hwheel(int32_t units, int32_t notches) override { out.emplace_back('h', units, notches); }
    bool keepsFractions() const override { return fractions; }
    Events& out;
    bool fractions;
};

Events key(int code, bool down) {
    return {{'k', code, down}};
}
Events operator+(Events a, const Events& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

constexpr int moved = 5, leftDown = 1, leftUp = 2, leftDragged = 6, rightDown = 3, rightUp = 4;
constexpr uint64_t command = 0x100000, shift = 0x20000;

class Evdev : public ::testing::Test {
  protected:
    Events keys, pointer;
    EvdevInput input{std::make_unique<ListSink>(keys), std::make_unique<ListSink>(pointer)};
};

TEST_F(Evdev, ChordsCarryExactlyTheirModifiersAndTheDesktopsOwnChords) {
    input.postKey(8, true, command);  // Command-C is Control-C
    input.postKey(8, false, command);
    input.postKey(48, true, command);  // Command-Tab is Alt-Tab
    input.postKey(48, false, command);
    input.postKey(0, true, shift);  // Shift-A
    input.postKey(0, false, shift);
    input.postKey(14, true, 0x1000000);  // Super-E, which Command cannot reach
    input.postKey(14, false, 0x1000000);
    input.holdModifiers(0x1000000 | shift);  // held around a click, then let go
    input.holdModifiers(0);
    input.postKey(63, true, 0);  // Function has no key: nothing
    EXPECT_EQ(keys, key(KEY_LEFTCTRL, 1) + key(KEY_C, 1) + key(KEY_C, 0) + key(KEY_LEFTCTRL, 0) +
                        key(KEY_LEFTALT, 1) + key(KEY_TAB, 1) + key(KEY_TAB, 0) +
                        key(KEY_LEFTALT, 0) + key(KEY_LEFTSHIFT, 1) + key(KEY_A, 1) +
                        key(KEY_A, 0) + key(KEY_LEFTSHIFT, 0) + key(KEY_LEFTMETA, 1) +
                        key(KEY_E, 1) + key(KEY_E, 0) + key(KEY_LEFTMETA, 0) +
                        key(KEY_LEFTSHIFT, 1) + key(KEY_LEFTMETA, 1) + key(KEY_LEFTSHIFT, 0) +
                        key(KEY_LEFTMETA, 0));
}

TEST_F(Evdev, ClicksDragsAndMovesAreRelativeAndLoseNoPixelOrFraction) {
    Events exact;
    EvdevInput keeping{std::make_unique<ListSink>(keys), std::make_unique<ListSink>(exact, true)};
    for (EvdevInput* in : {&input, &keeping}) {
        in->postMouse(moved, {10, 4}, 0, 0, false);
        in->postMouse(leftDown, {10, 4}, 0, 1, true);
        in->postMouse(leftUp, {10, 4}, 0, 1, true);
        in->postMouse(leftDown, {10, 4}, 0, 2, true);  // a double click is only its timing
        in->postMouse(leftUp, {10, 4}, 0, 2, true);
        in->postMouse(leftDragged, {11.5, 4}, 0, 0, false);
        in->postMouse(leftDragged, {13, 4}, 0, 0, false);
        in->postMouse(leftDragged, {14.5, 2.5}, 0, 0, false);
        in->postMouse(rightDown, {14.5, 2.5}, 1, 1, true);
        in->postMouse(rightUp, {14.5, 2.5}, 1, 1, true);
        EXPECT_EQ(in->pointerLocation().x, 14.5);
    }
    const Events click = key(BTN_LEFT, 1) + key(BTN_LEFT, 0);
    const Events right = key(BTN_RIGHT, 1) + key(BTN_RIGHT, 0);
    const Events first{{'m', 10, 4}};
    const Events whole{{'m', 2, 0}, {'m', 1, 0}, {'m', 2, -1}};
    const Events fractions{{'m', 1.5, 0}, {'m', 1.5, 0}, {'m', 1.5, -1.5}};
    EXPECT_EQ(pointer, first + click + click + whole + right);
    EXPECT_EQ(exact, first + click + click + fractions + right);
}

TEST_F(Evdev, PixelScrollsAreHighResolutionWithWholeNotchesForOlderReaders) {
    input.postScroll(5);   // half a notch
    input.postScroll(5);   // the notch completes
    input.postScroll(-3);  // a turn starts afresh
    input.postScroll(100000);
    EXPECT_EQ(pointer, (Events{{'w', 60, 0}, {'w', 60, 1}, {'w', -36, 0}, {'w', 12000, 100}}));
}

// The touchpad's notches: down is the wheel's negative side, right the positive;
// each axis keeps its own fraction, and the plain scroll shares the vertical one.
TEST_F(Evdev, SmoothScrollsKeepEachAxissFractionUntilANotchCompletes) {
    input.postSmoothScroll(0.5, 0.75);
    input.postSmoothScroll(0.5, 0.25);
    input.postSmoothScroll(-0.25, 0);
    input.postScroll(-5);  // half a notch down completes with the next smooth half
    input.postSmoothScroll(0, 0.5);
    EXPECT_EQ(pointer, (Events{{'w', -90, 0},
                               {'h', 60, 0},
                               {'w', -30, -1},
                               {'h', 60, 1},
                               {'h', -30, 0},
                               {'w', -60, 0},
                               {'w', -60, -1}}));
}

TEST_F(Evdev, HeldKeysAreReleasedWhenTheDevicesGo) {
    Events k, p;
    {
        EvdevInput scoped(std::make_unique<ListSink>(k), std::make_unique<ListSink>(p));
        scoped.postKey(8, true, command);
    }
    EXPECT_EQ(k, key(KEY_LEFTCTRL, 1) + key(KEY_C, 1) + key(KEY_C, 0) + key(KEY_LEFTCTRL, 0));
}

// The desktop's layout decides the keys: German swaps Y and Z and puts @ on
// AltGr-Q; a held Control is let go first; a character the layout lacks makes
// the whole text one to paste.
TEST(EvdevTyping, TextIsTypedOnTheDesktopsLayoutWithItsShiftAndAltGr) {
    const auto german = LayoutKeys::fromNames("de");
    ASSERT_TRUE(german);
    EXPECT_EQ(german->level3Key(), KEY_RIGHTALT);
    Events keys, pointer;
    EvdevInput input{std::make_unique<ListSink>(keys), std::make_unique<ListSink>(pointer)};
    EXPECT_FALSE(input.canType(U"z"));  // no layout yet
    input.setLayout([&] { return std::make_shared<const LayoutKeys>(*german); });
    EXPECT_TRUE(input.canType(U"Zy@\n"));
    EXPECT_FALSE(input.canType(U"z안"));
    input.postKey(8, true, command);  // Control held
    input.typeText(U"Zy@\n");
    const Events tap = key(KEY_Y, 1) + key(KEY_Y, 0);  // Z on a German keyboard
    EXPECT_EQ(keys, key(KEY_LEFTCTRL, 1) + key(KEY_C, 1) + key(KEY_LEFTCTRL, 0) +
                        key(KEY_LEFTSHIFT, 1) + tap + key(KEY_LEFTSHIFT, 0) + key(KEY_Z, 1) +
                        key(KEY_Z, 0) + key(KEY_RIGHTALT, 1) + key(KEY_Q, 1) + key(KEY_Q, 0) +
                        key(KEY_RIGHTALT, 0) + key(KEY_ENTER, 1) + key(KEY_ENTER, 0));
}

SessionFacts facts(std::string forced, std::string display, std::string type,
                   std::string desktop = "", std::string offered = "") {
    auto has = [&](const char* what) { return offered.find(what) != std::string::npos; };
    return {std::move(forced), std::move(display), std::move(type), std::move(desktop),
            has("mutter"),     has("virtual"),     has("fake")};
}

TEST(InputChoiceTable, TheSessionAndWhatItOffersChooseThePath) {
    const char* wayland = "Wayland session: XTest would reach only XWayland windows";
    const char* wlr = "Wayland session: the compositor offers a virtual keyboard and pointer";
    const char* kde =
        "KDE session, but KWin offers no fake input to this program: "
        "tarsel-server-kwin.desktop is not installed for it";
    using P = InputPath;
    // clang-format off
    const std::tuple<SessionFacts, InputPath, bool, std::string> cases[] = {
        {facts("", "", "x11"), P::xtest, false, "X11 session"},
        {facts("", "", ""), P::xtest, false, "X11 session"},
        {facts("", "wayland-0", ""), P::uinput, false, wayland},
        {facts("", "", "wayland"), P::uinput, false, wayland},
        {facts("", "wayland-0", "", "sway", "virtual"), P::wlroots, false, wlr},
        {facts("", "wayland-0", "", "KDE", "fake"), P::kwin, false, "KDE session: KWin offers fake input"},
        {facts("", "wayland-0", "", "KDE"), P::uinput, false, kde},
        {facts("", "wayland-0", "", "GNOME", "mutter"), P::mutter, false, "GNOME session: Mutter's remote desktop"},
        {facts("", "", "x11", "GNOME", "mutter"), P::xtest, false, "X11 session"},
        {facts("xtest", "wayland-0", "wayland", "", "virtual"), P::xtest, true, "TARSEL_INPUT=xtest"},
        {facts("uinput", "", "x11"), P::uinput, true, "TARSEL_INPUT=uinput"},
        {facts("kwin", "wayland-0", ""), P::kwin, true, "TARSEL_INPUT=kwin"},
        {facts("evdev", "", "x11"), P::xtest, false, "X11 session; unknown TARSEL_INPUT=evdev ignored"},
    };
    // clang-format on
    for (const auto& [session, path, forced, reason] : cases) {
        const InputChoice c = chooseInput(session);
        EXPECT_EQ(std::tuple(c.path, c.forced, c.reason), std::tuple(path, forced, reason));
    }
}

TEST(InputChoiceTable, TheFixNamesTheStepForThePathThatFailed) {
    const std::tuple<SessionFacts, InputPath, std::string, std::string> cases[] = {
        {facts("", "wayland-0", "", "KDE"), InputPath::uinput, "denied", "tarsel-server-kwin"},
        {facts("", "wayland-0", "", "sway"), InputPath::uinput, "denied", "udev rule"},
        {facts("", "", "x11"), InputPath::xtest, "no X display", "DISPLAY names"},
        {facts("", "wayland-0", "", "GNOME", "mutter"), InputPath::mutter, "refused", "(refused)"},
        {facts("", "wayland-0", "", "GNOME"), InputPath::uinput, "denied", "session bus"},
        {facts("", "wayland-0", "", "KDE"), InputPath::uinput, "", ""},  // nothing failed
    };
    for (const auto& [session, tried, failure, named] : cases) {
        const std::string fix =
            testing::inLanguage("en", [&] { return inputFix(session, tried, failure); });
        EXPECT_EQ(fix.empty(), named.empty()) << fix;
        EXPECT_NE(fix.find(named), std::string::npos) << fix;
    }
}

}  // namespace
}  // namespace tarsel
