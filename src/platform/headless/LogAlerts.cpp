#include "platform/headless/LogAlerts.h"

#include "runtime/Log.h"

namespace tarsel {

int LogAlerts::runModal(const AlertSpec& alert) {
    std::string buttons;
    for (const auto& b : alert.buttons) buttons += "[" + b + "] ";
    logLine("💬 " + alert.message + "\n" + alert.informative + "\n" + buttons +
            "(화면이 없어 닫힘으로 처리)");
    return kAlertDismissed;
}

}  // namespace tarsel
