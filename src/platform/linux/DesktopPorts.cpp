#include "platform/linux/DesktopPorts.h"

#include <X11/Xlib.h>
#include <X11/keysym.h>
#include <linux/input-event-codes.h>

#include "platform/linux/LinuxScripts.h"
#include "platform/linux/LinuxWorkspace.h"
#include "platform/linux/UinputInput.h"
#include "platform/linux/X11Accessibility.h"
#include "platform/linux/X11Desktop.h"
#include "platform/linux/X11Input.h"
#include "runtime/Log.h"

namespace tarsel {
namespace {

struct OpenedInput {
    std::unique_ptr<InputEvents> events;
    std::function<void()> overview;  // the overview of GNOME and KDE: a tap of Super
    std::string failure;
};

OpenedInput openPath(InputPath path) {
    if (path == InputPath::xtest) {
        auto x = X11Input::open();
        if (!x) return {nullptr, nullptr, "no X display with XTest"};
        X11Input* keys = x.get();
        return {std::move(x), [keys] { keys->tap(XK_Super_L, 0); }, ""};
    }
    auto u = UinputInput::open();
    if (!u) return {nullptr, nullptr, u.error()};
    UinputInput* keys = u->get();
    return {std::move(*u), [keys] { keys->tap(KEY_LEFTMETA, 0); }, ""};
}

InputPath other(InputPath path) {
    return path == InputPath::xtest ? InputPath::uinput : InputPath::xtest;
}

}  // namespace

void initX11Threads() {
    XInitThreads();
}

bool x11DisplayReachable() {
    Display* display = XOpenDisplay(nullptr);
    if (!display) return false;
    XCloseDisplay(display);
    return true;
}

void installDesktopPorts(Platform& p, Executors& executors, const InputChoice& choice) {
    InputPath path = choice.path;
    OpenedInput input = openPath(path);
    std::string line =
        std::string("⌨️ [Input] ") + inputPathName(path) + " (" + choice.reason + ")";
    if (!input.events && !choice.forced) {
        const std::string failure = input.failure;
        path = other(path);
        input = openPath(path);
        line += "; " + failure + ", so " + inputPathName(path);
        if (input.events && path == InputPath::xtest)
            line += ", which reaches XWayland windows only";
    }
    if (!input.events) line += "; " + input.failure + ": no input";
    logLine(line);
    // Trusted only when the input reaches the session's own windows.
    const bool reaches = input.events && (path == choice.path || path == InputPath::uinput);
    p.accessibility = std::make_unique<X11Accessibility>(
        p.host.openPath, p.host.executablePath, p.host.websiteHost, [reaches] { return reaches; });
    if (!input.events) return;
    std::shared_ptr<X11Desktop> desktop = X11Desktop::open();
    p.input = std::move(input.events);
    p.workspace = std::make_unique<LinuxWorkspace>(desktop, input.overview);
    p.scripts = std::make_unique<LinuxScripts>(executors.global, desktop, p.workspace.get(),
                                               input.overview);
}

}  // namespace tarsel
