#pragma once
// The host's own words in the agent's texts, as English message ids that are
// translated where they are shown (runtime/Text.h). The defaults are the
// Mac's; other hosts give theirs, so a Linux user never reads about a Mac or a
// LaunchAgent.
#include <string>
#include <vector>

#include "runtime/Text.h"

namespace tarsel {

struct HostWords {
    std::string serverStarted = N_("🚀 Mac server started");
    std::string loginRegistered = N_("✅ LaunchAgent registered: {1}");  // the path
    std::string loginRegisterFailed = N_("⚠️ LaunchAgent registration failed: {1}");  // why
    std::string loginUnloaded = N_("✅ LaunchAgent unloaded (KeepAlive restarts stopped)");
    std::string addressLabel = N_("Mac IP");  // the menu's address line
    // The missing input permission's warning in the log (the host's advice,
    // if any, follows it).
    std::vector<std::string> permissionLog = {
        N_("⚠️  ===== Accessibility permission needed ====="),
        N_("⚠️  To control the keyboard and mouse, grant the permission:"),
        N_("⚠️  System Settings → Privacy & Security → Accessibility"),
        N_("⚠️  → turn on TarselServer"), "⚠️  ====================================="};
    bool macAlerts = true;  // the permission alert speaks of the Mac's settings
};

}  // namespace tarsel
