#pragma once
// The desktop's input and desktop ports: input through XTest or uinput, EWMH
// desktop facts, desktop entries and the Linux equivalents of the agent's scripts.
#include "platform/InputChoice.h"
#include "platform/Platform.h"

namespace tarsel {

// Call before any other Xlib use: our connections are used from several threads.
void initX11Threads();
// Whether DISPLAY names a display this process may open (a stale DISPLAY or a
// wrong XAUTHORITY does not).
bool x11DisplayReachable();
// Replaces input, workspace, scripts and the trust check. Input takes the
// chosen path, else (unless forced) the other one; one log line says which and
// why. Without any, the null input stays and the trust check fails.
void installDesktopPorts(Platform& p, Executors& executors, const InputChoice& choice);

}  // namespace tarsel
