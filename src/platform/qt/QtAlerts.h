#pragma once
// Modal alerts on a Qt desktop (QMessageBox). Needs the QApplication of the Qt
// main loop; runs on the main thread.
#include "platform/Alerts.h"

namespace tarsel {

class QtAlerts : public Alerts {
  public:
    int runModal(const AlertSpec& alert) override;
};

}  // namespace tarsel
