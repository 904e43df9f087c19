#pragma once

namespace tarsel {

class StatusBarController;

// The install item's action: download, verify and hand over to the updater.
void performSelfUpdate(StatusBarController& controller);

}  // namespace tarsel
