#include "platform/linux/DesktopPorts.h"

#include <X11/Xlib.h>
#include <X11/keysym.h>
#include <linux/input-event-codes.h>
#include <wayland-client.h>

#include <cstdlib>
#include <vector>

#include "platform/InputChoice.h"
#include "platform/linux/LinuxScripts.h"
#include "platform/linux/LinuxWorkspace.h"
#include "platform/linux/NativeSession.h"
#include "platform/linux/UinputDevices.h"
#include "platform/linux/X11Accessibility.h"
#include "platform/linux/X11Desktop.h"
#include "platform/linux/X11Input.h"
#include "runtime/Log.h"
#include "runtime/Queues.h"

namespace tarsel {
namespace {

struct OpenedInput {
    std::unique_ptr<InputEvents> events;
    std::function<void()> overview;  // the overview of GNOME and KDE: a tap of Super
    std::string failure;
};

OpenedInput fromEvdev(Result<std::unique_ptr<EvdevInput>> opened) {
    if (!opened) return {nullptr, nullptr, opened.error()};
    EvdevInput* keys = opened->get();
    return {std::move(*opened), [keys] { keys->tap(KEY_LEFTMETA, 0); }, ""};
}

OpenedInput openPath(InputPath path, NativeSession& session) {
    switch (path) {
        case InputPath::xtest: {
            auto x = X11Input::open();
            if (!x) return {nullptr, nullptr, "no X display with XTest"};
            X11Input* keys = x.get();
            return {std::move(x), [keys] { keys->tap(XK_Super_L, 0); }, ""};
        }
        case InputPath::uinput:
            return fromEvdev(openUinput());
        default:
            return fromEvdev(session.openInput(path));
    }
}

std::string env(const char* name) {
    const char* v = std::getenv(name);
    return v ? v : "";
}

struct Outcome {
    InputPath path;
    OpenedInput input;
    InputPath failedPath = InputPath::xtest;  // the failure the fix is for
    std::string failure;
};

// The chosen path, else (unless forced) its fallbacks in turn; the line says
// which and why.
Outcome openInput(const InputChoice& choice, NativeSession& session) {
    std::vector<InputPath> tries{choice.path};
    if (!choice.forced)
        for (InputPath p = fallbackFor(choice.path); tries.size() < 3 && p != tries.front();
             p = fallbackFor(p))
            tries.push_back(p);
    std::string line =
        std::string("⌨️ [Input] ") + inputPathName(choice.path) + " (" + choice.reason + ")";
    Outcome o{choice.path, {}, InputPath::xtest, ""};
    for (InputPath path : tries) {
        if (path != choice.path) line += ", so " + std::string(inputPathName(path));
        o.path = path;
        o.input = openPath(path, session);
        if (o.input.events) break;
        line += "; " + o.input.failure;
        if (o.failure.empty() || path == InputPath::uinput) {
            o.failedPath = path;
            o.failure = o.input.failure;
        }
    }
    if (!o.input.events)
        line += ": no input";
    else if (o.path == InputPath::xtest && choice.path != InputPath::xtest)
        line += ", which reaches XWayland windows only";
    logLine(line);
    return o;
}

// EWMH where the session is X11; on Wayland only the desktop's own source
// knows native windows.
std::function<std::string()> frontmostSource(InputPath path, const SessionFacts& facts,
                                             NativeSession& session,
                                             const std::shared_ptr<X11Desktop>& desktop) {
    if (auto native = session.frontmost()) return native;
    if (isWayland(facts) && path != InputPath::xtest) {
        logLine("🪟 [Workspace] front-most application: none (this desktop reports none)");
        return nullptr;
    }
    if (!desktop) return nullptr;
    logLine("🪟 [Workspace] front-most application: EWMH");
    return [desktop] { return desktop->frontmostApplicationId(); };
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

bool waylandDisplayReachable() {
    wl_display* display = wl_display_connect(nullptr);
    if (!display) return false;
    wl_display_disconnect(display);
    return true;
}

void installDesktopPorts(Platform& p, Executors& executors) {
    SessionFacts facts{env("TARSEL_INPUT"), env("WAYLAND_DISPLAY"), env("XDG_SESSION_TYPE"),
                       env("XDG_CURRENT_DESKTOP")};
    auto session = std::make_shared<NativeSession>(NativeSession::probe(isWayland(facts)));
    session->describe(facts);
    const InputChoice choice = chooseInput(facts);
    auto [path, input, failedPath, failure] = openInput(choice, *session);
    // Trusted only when the input reaches the session's own windows.
    const bool reaches = input.events && (path != InputPath::xtest || !isWayland(facts));
    p.accessibility = std::make_unique<X11Accessibility>(
        p.host.openPath, p.host.executablePath, p.host.websiteHost, [reaches] { return reaches; },
        reaches ? "" : inputFix(facts, failedPath, failure));
    if (auto clipboard = session->clipboard()) p.clipboard = std::move(clipboard);
    p.release = [session] { session->release(); };
    if (!input.events) return session->watch(executors.network.get_executor());
    p.input = std::move(input.events);
    p.inputPause = session->pause();
    // One connection for the desktop's facts and its "show desktop" action.
    std::shared_ptr<X11Desktop> desktop = X11Desktop::open();
    p.workspace = std::make_unique<LinuxWorkspace>(frontmostSource(path, facts, *session, desktop),
                                                   input.overview);
    // Every listener is in place before the first event is handled.
    session->watch(executors.network.get_executor());
    p.scripts = std::make_unique<LinuxScripts>(executors.global, desktop, p.workspace.get(),
                                               input.overview);
}

}  // namespace tarsel
