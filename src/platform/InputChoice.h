#pragma once
// Which path synthetic input takes, decided from the session alone: XTest
// reaches X11 windows only (under Wayland, just those of XWayland); uinput is
// a kernel device every desktop reads, but needs write access to /dev/uinput.
#include <string>

namespace tarsel {

enum class InputPath { xtest, uinput };

struct SessionFacts {
    std::string forced;          // TARSEL_INPUT
    std::string waylandDisplay;  // WAYLAND_DISPLAY
    std::string sessionType;     // XDG_SESSION_TYPE
};

struct InputChoice {
    InputPath path = InputPath::xtest;
    bool forced = false;  // no fallback to the other path
    std::string reason;
};

InputChoice chooseInput(const SessionFacts& session);
const char* inputPathName(InputPath path);

}  // namespace tarsel
