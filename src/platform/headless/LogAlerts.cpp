#include "platform/headless/LogAlerts.h"

#include "runtime/Log.h"
#include "runtime/Text.h"

namespace tarsel {

int LogAlerts::runModal(const AlertSpec& alert) {
    std::string buttons;
    for (const auto& b : alert.buttons) buttons += "[" + b + "] ";
    logLine("💬 " + alert.message);
    // The informative text may hold line breaks of its own.
    for (std::size_t start = 0;;) {
        const auto end = alert.informative.find('\n', start);
        logLine(alert.informative.substr(start, end - start));
        if (end == std::string::npos) break;
        start = end + 1;
    }
    logLine(tr("{1}(no screen: taken as closed)", buttons));
    return kAlertDismissed;
}

}  // namespace tarsel
