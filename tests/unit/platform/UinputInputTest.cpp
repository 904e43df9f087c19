// The uinput backend's exact event stream, read through its sink, and the
// choice of input path from the session.
#include <gtest/gtest.h>
#include <linux/input-event-codes.h>

#include <tuple>
#include <vector>

#include "platform/InputChoice.h"
#include "platform/linux/UinputInput.h"

namespace tarsel {
namespace {

using Event = std::tuple<int, int, int>;  // type, code, value
using Events = std::vector<Event>;

struct ListSink : EventSink {
    explicit ListSink(Events& out) : out(out) {}
    void emit(uint16_t type, uint16_t code, int32_t value) override {
        out.emplace_back(type, code, value);
    }
    Events& out;
};

const Event syn{EV_SYN, SYN_REPORT, 0};
Events key(int code, int value) {
    return {{EV_KEY, code, value}, syn};
}
Events operator+(Events a, const Events& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

constexpr int moved = 5, leftDown = 1, leftUp = 2, leftDragged = 6, rightDown = 3, rightUp = 4;
constexpr uint64_t command = 0x100000, shift = 0x20000;

class Uinput : public ::testing::Test {
  protected:
    Events keys, pointer;
    UinputInput input{std::make_unique<ListSink>(keys), std::make_unique<ListSink>(pointer)};
};

TEST_F(Uinput, ChordsCarryExactlyTheirModifiersAndTheDesktopsOwnChords) {
    input.postKey(8, true, command);  // Command-C is Control-C
    input.postKey(8, false, command);
    input.postKey(48, true, command);  // Command-Tab is Alt-Tab
    input.postKey(48, false, command);
    input.postKey(0, true, shift);  // Shift-A
    input.postKey(0, false, shift);
    input.postKey(63, true, 0);  // Function has no key: nothing
    EXPECT_EQ(keys, key(KEY_LEFTCTRL, 1) + key(KEY_C, 1) + key(KEY_C, 0) + key(KEY_LEFTCTRL, 0) +
                        key(KEY_LEFTALT, 1) + key(KEY_TAB, 1) + key(KEY_TAB, 0) +
                        key(KEY_LEFTALT, 0) + key(KEY_LEFTSHIFT, 1) + key(KEY_A, 1) +
                        key(KEY_A, 0) + key(KEY_LEFTSHIFT, 0));
}

TEST_F(Uinput, ClicksDragsAndFractionalMovesAreRelativeAndLoseNoPixel) {
    input.postMouse(moved, {10, 4}, 0, 0, false);
    input.postMouse(leftDown, {10, 4}, 0, 1, true);
    input.postMouse(leftUp, {10, 4}, 0, 1, true);
    input.postMouse(leftDown, {10, 4}, 0, 2, true);  // a double click is only its timing
    input.postMouse(leftUp, {10, 4}, 0, 2, true);
    input.postMouse(leftDragged, {11.5, 4}, 0, 0, false);
    input.postMouse(leftDragged, {13, 4}, 0, 0, false);
    input.postMouse(leftDragged, {14.5, 2.5}, 0, 0, false);
    input.postMouse(rightDown, {14.5, 2.5}, 1, 1, true);
    input.postMouse(rightUp, {14.5, 2.5}, 1, 1, true);
    const Events click = key(BTN_LEFT, 1) + key(BTN_LEFT, 0);
    const Events moves{{EV_REL, REL_X, 2},  syn, {EV_REL, REL_X, 1}, syn, {EV_REL, REL_X, 2},
                       {EV_REL, REL_Y, -1}, syn};
    const Events first{{EV_REL, REL_X, 10}, {EV_REL, REL_Y, 4}, syn};
    EXPECT_EQ(pointer, first + click + click + moves + key(BTN_RIGHT, 1) + key(BTN_RIGHT, 0));
    EXPECT_EQ(input.pointerLocation().x, 14.5);
}

TEST_F(Uinput, PixelScrollsAreHighResolutionWithWholeNotchesForOlderReaders) {
    input.postScroll(5);   // half a notch
    input.postScroll(5);   // the notch completes
    input.postScroll(-3);  // a turn starts afresh
    input.postScroll(100000);
    auto wheel = [](int hiRes, int notches = 0) {
        Events e{{EV_REL, REL_WHEEL_HI_RES, hiRes}};
        if (notches) e.emplace_back(EV_REL, REL_WHEEL, notches);
        return e + Events{syn};
    };
    EXPECT_EQ(pointer, wheel(60) + wheel(60, 1) + wheel(-36) + wheel(12000, 100));
}

TEST_F(Uinput, HeldKeysAreReleasedWhenTheDevicesGo) {
    Events k, p;
    {
        UinputInput scoped(std::make_unique<ListSink>(k), std::make_unique<ListSink>(p));
        scoped.postKey(8, true, command);
    }
    EXPECT_EQ(k, key(KEY_LEFTCTRL, 1) + key(KEY_C, 1) + key(KEY_C, 0) + key(KEY_LEFTCTRL, 0));
}

TEST(InputChoiceTable, SessionVariablesChooseThePath) {
    const char* wayland = "Wayland session: XTest would reach only XWayland windows";
    using P = InputPath;
    // clang-format off
    const std::tuple<SessionFacts, InputPath, bool, std::string> cases[] = {
        {{"", "", "x11"}, P::xtest, false, "X11 session"},
        {{"", "", ""}, P::xtest, false, "X11 session"},
        {{"", "wayland-0", ""}, P::uinput, false, wayland},
        {{"", "", "wayland"}, P::uinput, false, wayland},
        {{"xtest", "wayland-0", "wayland"}, P::xtest, true, "TARSEL_INPUT=xtest"},
        {{"uinput", "", "x11"}, P::uinput, true, "TARSEL_INPUT=uinput"},
        {{"evdev", "", "x11"}, P::xtest, false, "X11 session; unknown TARSEL_INPUT=evdev ignored"},
    };
    // clang-format on
    for (const auto& [session, path, forced, reason] : cases) {
        const InputChoice c = chooseInput(session);
        EXPECT_EQ(std::tuple(c.path, c.forced, c.reason), std::tuple(path, forced, reason));
    }
}

}  // namespace
}  // namespace tarsel
