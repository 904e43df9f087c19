#include "platform/record/RecordHost.h"

#include <cstdlib>
#include <optional>
#include <string>

namespace tarsel {
namespace {

std::optional<int> chosenButton(std::size_t buttonCount) {
    const char* v = std::getenv("TARSEL_RECORD_ALERT");
    if (!v || !*v) return std::nullopt;
    char* end = nullptr;
    long index = std::strtol(v, &end, 10);
    if (*end != '\0' || index < 0 || static_cast<std::size_t>(index) >= buttonCount)
        return std::nullopt;
    return static_cast<int>(index);
}

}  // namespace

int RecordAlerts::runModal(const AlertSpec& alert) {
    recorder_->write("alert", Json{{"message", alert.message},
                                   {"informative", alert.informative},
                                   {"buttons", alert.buttons}});
    auto index = chosenButton(alert.buttons.size());
    return index ? 1000 + *index : kAlertDismissed;
}

bool RecordLoginService::runByServiceManager() {
    const char* v = std::getenv("TARSEL_RECORD_UNIT");
    return (v && std::string(v) == "1") || real_->runByServiceManager();
}

void RecordLoginService::unload() {
    recorder_->write("login", Json{{"action", "unload"}, {"args", unloadCommand()}});
}

void RecordLoginService::load() {
    recorder_->write("login", Json{{"action", "load"}, {"args", loadCommand()}});
}

bool RecordAccessibility::isTrusted() {
    const char* v = std::getenv("TARSEL_RECORD_TRUSTED");
    return !(v && std::string(v) == "0");
}

void RecordAccessibility::openSettings() {
    recorder_->write("settings", Json{{"page", "accessibility"}});
}

}  // namespace tarsel
