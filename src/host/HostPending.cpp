#include "host/AccessibilityCheck.h"
#include "host/LaunchAgent.h"
#include "host/PortCleanup.h"

namespace tarsel {

void killProcessOnPort(uint16_t) {}
void ensureLaunchAgentInstalled() {}
void checkAccessibilityPermission() {}
void openAccessibilitySettings() {}
void forceResetAccessibilityPermission() {}

}  // namespace tarsel
