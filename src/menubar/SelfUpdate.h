#pragma once
// The install item: preconditions, the background job and the fallback to the
// manual download page.
#include <string>

namespace tarsel {

class StatusBarController;
struct HostConstants;

// Main thread. Refuses while an update runs; checks the manifest's address and
// the platform's installer, then starts the job on the user-initiated queue.
void performSelfUpdate(StatusBarController& controller);

// Any thread. Logs the reason, then on the main loop: back to idle, the alert
// that offers the download page, and a new menu.
void fallbackToManualDownload(StatusBarController& controller, const std::string& reason);

// Whether this platform can install a downloaded bundle at all: an
// installation path and every tool of the job and the updater.
bool hasInstaller(const HostConstants& host);

}  // namespace tarsel
