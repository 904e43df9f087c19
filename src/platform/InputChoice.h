#pragma once
// Which path synthetic input takes, decided from the session alone: a Wayland
// desktop's own input protocol where it offers one (Mutter's remote desktop,
// the wlroots virtual devices, KWin's fake input), else uinput, a kernel
// device every desktop reads but which needs write access to /dev/uinput;
// XTest for X11 sessions (under Wayland it reaches XWayland windows only).
#include <string>

namespace tarsel {

enum class InputPath { xtest, uinput, mutter, wlroots, kwin };

struct SessionFacts {
    std::string forced;           // TARSEL_INPUT
    std::string waylandDisplay;   // WAYLAND_DISPLAY
    std::string sessionType;      // XDG_SESSION_TYPE
    std::string desktop;          // XDG_CURRENT_DESKTOP
    bool mutter = false;          // org.gnome.Mutter.RemoteDesktop is on the session bus
    bool virtualDevices = false;  // the compositor offers a virtual keyboard and pointer
    bool fakeInput = false;       // KWin offers this program its fake input
};

struct InputChoice {
    InputPath path = InputPath::xtest;
    bool forced = false;  // no fallback to another path
    std::string reason;
};

InputChoice chooseInput(const SessionFacts& session);
const char* inputPathName(InputPath path);
bool isWayland(const SessionFacts& session);
// The step that would let input reach the session's windows, after `tried`
// failed with `failure` ("" where it did not fail). One sentence.
std::string inputFix(const SessionFacts& session, InputPath tried, const std::string& failure);
// Where a path that failed falls back to: the native paths and XTest to
// uinput, uinput to XTest (which under Wayland reaches XWayland windows only).
InputPath fallbackFor(InputPath path);

}  // namespace tarsel
