#include "platform/linux/X11Ports.h"

#include <X11/Xlib.h>
#include <X11/keysym.h>

#include "platform/linux/LinuxScripts.h"
#include "platform/linux/LinuxWorkspace.h"
#include "platform/linux/X11Desktop.h"
#include "platform/linux/X11Input.h"
#include "runtime/Log.h"

namespace tarsel {

void initX11Threads() {
    XInitThreads();
}

bool x11DisplayReachable() {
    Display* display = XOpenDisplay(nullptr);
    if (!display) return false;
    XCloseDisplay(display);
    return true;
}

void installX11Ports(Platform& p, Executors& executors) {
    auto input = X11Input::open();
    if (!input) {
        logLine(
            "⚠️ [X11] 디스플레이 또는 XTest를 사용할 수 없어 입력을 보낼 "
            "수 "
            "없습니다");
        return;
    }
    X11Input* keys = input.get();
    // The overview of GNOME and KDE opens with a tap of the Super key.
    auto overview = [keys] { keys->tap(XK_Super_L, 0); };
    std::shared_ptr<X11Desktop> desktop = X11Desktop::open();
    p.input = std::move(input);
    p.workspace = std::make_unique<LinuxWorkspace>(desktop, overview);
    p.scripts =
        std::make_unique<LinuxScripts>(executors.global, desktop, p.workspace.get(), overview);
}

}  // namespace tarsel
