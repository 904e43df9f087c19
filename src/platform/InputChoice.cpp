#include "platform/InputChoice.h"

#include <array>
#include <utility>

#include "runtime/Text.h"

namespace tarsel {
namespace {

constexpr std::array<std::pair<InputPath, const char*>, 5> kNames{{
    {InputPath::xtest, "xtest"},
    {InputPath::uinput, "uinput"},
    {InputPath::mutter, "mutter"},
    {InputPath::wlroots, "wlroots"},
    {InputPath::kwin, "kwin"},
}};

InputChoice waylandChoice(const SessionFacts& s, const std::string& ignored) {
    if (s.virtualDevices)
        return {InputPath::wlroots, false,
                "Wayland session: the compositor offers a virtual keyboard and pointer" + ignored};
    if (s.fakeInput)
        return {InputPath::kwin, false, "KDE session: KWin offers fake input" + ignored};
    if (s.mutter)
        return {InputPath::mutter, false, "GNOME session: Mutter's remote desktop" + ignored};
    if (s.desktop.find("KDE") != std::string::npos)
        return {InputPath::uinput, false,
                "KDE session, but KWin offers no fake input to this program: "
                "tarsel-server-kwin.desktop is not installed for it" +
                    ignored};
    return {InputPath::uinput, false,
            "Wayland session: XTest would reach only XWayland windows" + ignored};
}

}  // namespace

bool isWayland(const SessionFacts& s) {
    return !s.waylandDisplay.empty() || s.sessionType == "wayland";
}

InputChoice chooseInput(const SessionFacts& s) {
    for (const auto& [path, name] : kNames)
        if (s.forced == name) return {path, true, "TARSEL_INPUT=" + s.forced};
    const std::string ignored = s.forced.empty() || s.forced == "auto"
                                    ? ""
                                    : "; unknown TARSEL_INPUT=" + s.forced + " ignored";
    if (isWayland(s)) return waylandChoice(s, ignored);
    return {InputPath::xtest, false, "X11 session" + ignored};
}

const char* inputPathName(InputPath path) {
    for (const auto& [p, name] : kNames)
        if (p == path) return name;
    return "xtest";
}

std::string inputFix(const SessionFacts& s, InputPath tried, const std::string& failure) {
    if (failure.empty()) return "";
    if (isWayland(s) && s.desktop.find("KDE") != std::string::npos && !s.fakeInput)
        return tr(
            "Install tarsel-server-kwin.desktop so that KWin offers this program its fake "
            "input (the package does; from a build tree, see docs/LINUX_INPUT.md), then "
            "restart the agent.");
    if (isWayland(s) && s.desktop.find("GNOME") != std::string::npos && !s.mutter)
        return tr(
            "Start the agent inside your GNOME session, where DBUS_SESSION_BUS_ADDRESS "
            "reaches the session bus that offers Mutter's remote desktop (the package's "
            "log-in unit does), then restart the agent.");
    if (tried == InputPath::uinput)
        return tr(
            "Give your user write access to /dev/uinput: sudo modprobe uinput, and the udev "
            "rule 70-tarsel-uinput.rules (the package installs both), then log in again "
            "({1}).",
            failure);
    if (tried == InputPath::xtest)
        return tr(
            "Start the agent inside your desktop session, where DISPLAY names your display "
            "({1}).",
            failure);
    return tr("The desktop refused its input path ({1}); see docs/LINUX_INPUT.md.", failure);
}

InputPath fallbackFor(InputPath path) {
    return path == InputPath::uinput ? InputPath::xtest : InputPath::uinput;
}

}  // namespace tarsel
