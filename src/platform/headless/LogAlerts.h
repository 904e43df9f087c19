#pragma once
// Alerts without a display: written to the log, answered as dismissed, since
// nobody can click a button.
#include "platform/Alerts.h"

namespace tarsel {

class LogAlerts : public Alerts {
  public:
    int runModal(const AlertSpec& alert) override;
};

}  // namespace tarsel
