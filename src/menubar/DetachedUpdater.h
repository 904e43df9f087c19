#pragma once
#include <string>

namespace tarsel {

class StatusBarController;

// Writes "updater.sh" into the work directory, starts it detached, then stops
// the login service and ends the process with status 0. Starting the script
// before the login service goes down means the agent being stopped by its own
// unload can never leave the machine with neither agent nor updater. Returns
// only after a failure, which has gone to the manual download fallback.
void launchDetachedUpdater(StatusBarController& controller, const std::string& newAppPath,
                           const std::string& workDir);

}  // namespace tarsel
