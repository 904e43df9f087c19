#pragma once
// The desktop's input and desktop ports: input through the session's own
// path (Mutter, wlroots, KWin, XTest) or uinput, the front-most application
// from the desktop, desktop entries and the Linux equivalents of the scripts.
#include "platform/Platform.h"

namespace tarsel {

// Call before any other Xlib use: our connections are used from several threads.
void initX11Threads();
// Whether DISPLAY names a display this process may open (a stale DISPLAY or a
// wrong XAUTHORITY does not).
bool x11DisplayReachable();
// Whether WAYLAND_DISPLAY names a compositor this process can connect to: Qt
// aborts the process on one it cannot reach.
bool waylandDisplayReachable();
// Replaces input, workspace, scripts and the trust check, and on Wayland the
// clipboard. Input takes the path the session calls for, else (unless forced
// by TARSEL_INPUT) its fallback; one log line says which and why. Without
// any, the null input stays and the trust check fails.
void installDesktopPorts(Platform& p, Executors& executors);

}  // namespace tarsel
