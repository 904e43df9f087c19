#include "platform/InputChoice.h"

namespace tarsel {

InputChoice chooseInput(const SessionFacts& s) {
    if (s.forced == "xtest") return {InputPath::xtest, true, "TARSEL_INPUT=xtest"};
    if (s.forced == "uinput") return {InputPath::uinput, true, "TARSEL_INPUT=uinput"};
    const std::string ignored = s.forced.empty() || s.forced == "auto"
                                    ? ""
                                    : "; unknown TARSEL_INPUT=" + s.forced + " ignored";
    if (!s.waylandDisplay.empty() || s.sessionType == "wayland")
        return {InputPath::uinput, false,
                "Wayland session: XTest would reach only XWayland windows" + ignored};
    return {InputPath::xtest, false, "X11 session" + ignored};
}

const char* inputPathName(InputPath path) {
    return path == InputPath::uinput ? "uinput" : "xtest";
}

}  // namespace tarsel
