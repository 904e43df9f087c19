#include "platform/linux/DesktopPorts.h"

#include <X11/Xlib.h>
#include <X11/keysym.h>
#include <linux/input-event-codes.h>

#include <cstdlib>

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

// The chosen path, else its fallback; the line says which and why.
std::pair<InputPath, OpenedInput> openInput(const InputChoice& choice, NativeSession& session) {
    InputPath path = choice.path;
    OpenedInput input = openPath(path, session);
    std::string line =
        std::string("⌨️ [Input] ") + inputPathName(path) + " (" + choice.reason + ")";
    if (!input.events && !choice.forced) {
        const std::string failure = input.failure;
        path = fallbackFor(path);
        input = openPath(path, session);
        line += "; " + failure + ", so " + inputPathName(path);
        if (input.events && path == InputPath::xtest && choice.path != InputPath::xtest)
            line += ", which reaches XWayland windows only";
    }
    if (!input.events) line += "; " + input.failure + ": no input";
    logLine(line);
    return {path, std::move(input)};
}

// EWMH where the session is X11; on Wayland only the desktop's own source
// knows native windows.
std::function<std::string()> frontmostSource(InputPath path, const SessionFacts& facts,
                                             NativeSession& session) {
    if (auto native = session.frontmost()) return native;
    if (isWayland(facts) && path != InputPath::xtest) {
        logLine("🪟 [Workspace] front-most application: none (this desktop reports none)");
        return nullptr;
    }
    std::shared_ptr<X11Desktop> desktop = X11Desktop::open();
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

void installDesktopPorts(Platform& p, Executors& executors) {
    SessionFacts facts{env("TARSEL_INPUT"), env("WAYLAND_DISPLAY"), env("XDG_SESSION_TYPE"),
                       env("XDG_CURRENT_DESKTOP")};
    auto session = std::make_shared<NativeSession>(NativeSession::probe(isWayland(facts)));
    session->describe(facts);
    const InputChoice choice = chooseInput(facts);
    auto [path, input] = openInput(choice, *session);
    // Trusted only when the input reaches the session's own windows.
    const bool reaches = input.events && (path != InputPath::xtest || !isWayland(facts));
    p.accessibility = std::make_unique<X11Accessibility>(
        p.host.openPath, p.host.executablePath, p.host.websiteHost, [reaches] { return reaches; });
    if (auto clipboard = session->clipboard()) p.clipboard = std::move(clipboard);
    p.release = [session] { session->release(); };
    if (!input.events) return session->watch(executors.network.get_executor());
    p.input = std::move(input.events);
    p.workspace =
        std::make_unique<LinuxWorkspace>(frontmostSource(path, facts, *session), input.overview);
    // Every listener is in place before the first event is handled.
    session->watch(executors.network.get_executor());
    p.scripts = std::make_unique<LinuxScripts>(executors.global, X11Desktop::open(),
                                               p.workspace.get(), input.overview);
}

}  // namespace tarsel
