#include "menubar/StatusBarController.h"

namespace tarsel {

StatusBarController& StatusBarController::shared() {
    static StatusBarController* controller = new StatusBarController();
    return *controller;
}

void StatusBarController::install() {}

}  // namespace tarsel
