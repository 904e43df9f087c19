#pragma once
// The X11 desktop's input and desktop ports: XTest input, EWMH desktop facts,
// desktop entries and the Linux equivalents of the agent's scripts.
#include "platform/Platform.h"

namespace tarsel {

// Call before any other Xlib use: our connections are used from several threads.
void initX11Threads();
// Whether DISPLAY names a display this process may open (a stale DISPLAY or a
// wrong XAUTHORITY does not).
bool x11DisplayReachable();
// Replaces input, workspace and scripts; leaves the null ports where the
// display or XTest is missing (one log line).
void installX11Ports(Platform& p, Executors& executors);

}  // namespace tarsel
