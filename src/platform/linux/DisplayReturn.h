#pragma once
// A Wayland session whose compositor is not there (the agent started, or was
// restarted by its unit, after the user logged out): the agent runs on X11 or
// headless, checks every few seconds, and starts itself again once that
// display is back (the user's next session), so input reaches the desktop
// again without a restart by hand. Qt ends the process when its compositor
// goes away; the unit starts it again, and it lands here.
#include "platform/Platform.h"
