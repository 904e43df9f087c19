#pragma once

namespace tarsel {

// Makes sure the agent starts at log-in; writes the registration only when missing.
void ensureLaunchAgentInstalled();

}  // namespace tarsel
