#include "platform/dbus/FrontmostReports.h"

#include <systemd/sd-bus.h>

#include <algorithm>

#include "platform/dbus/SessionBus.h"
#include "runtime/Log.h"

namespace tarsel {
namespace {

constexpr size_t kLongestId = 255;

// Any program of the user may call: only a plain identifier is believed.
bool plausible(const std::string& s) {
    return s.size() <= kLongestId &&
           std::all_of(s.begin(), s.end(), [](unsigned char c) { return c > ' ' && c < 0x7f; });
}

int setFrontmost(sd_bus_message* m, void* data, sd_bus_error* error) {
    const char* appId = nullptr;
    const char* source = nullptr;
    if (sd_bus_message_read(m, "ss", &appId, &source) < 0 || !plausible(appId) ||
        !plausible(source))
        return sd_bus_error_set(error, SD_BUS_ERROR_INVALID_ARGS,
                                "expected an app id and a source");
    static_cast<FrontmostReports*>(data)->report(appId, source);
    return sd_bus_reply_method_return(m, "");
}

const sd_bus_vtable kVtable[] = {
    SD_BUS_VTABLE_START(0),
    SD_BUS_METHOD("SetFrontmost", "ss", "", setFrontmost, SD_BUS_VTABLE_UNPRIVILEGED),
    SD_BUS_VTABLE_END,
};

}  // namespace

std::shared_ptr<FrontmostReports> FrontmostReports::publish(
    const std::shared_ptr<SessionBus>& bus) {
    auto reports = std::make_shared<FrontmostReports>();
    const bool served = bus->with([&](sd_bus* b) {
        return sd_bus_add_object_vtable(b, nullptr, kPath, kName, kVtable, reports.get()) >= 0 &&
               sd_bus_request_name(b, kName, 0) >= 0;
    });
    if (!served) {
        logLine(std::string("⚠️ [Workspace] ") + kName +
                " is taken on the session bus: front-most reports go to the other agent");
        return nullptr;
    }
    return reports;
}

std::string FrontmostReports::frontmost() {
    std::lock_guard lock(mutex_);
    return appId_;
}

// GNOME reports desktop-file names; the media commands want the id.
void FrontmostReports::report(std::string appId, const std::string& source) {
    constexpr std::string_view suffix = ".desktop";
    if (appId.size() > suffix.size() && appId.ends_with(suffix))
        appId.resize(appId.size() - suffix.size());
    std::lock_guard lock(mutex_);
    appId_ = std::move(appId);
    if (source == source_) return;
    source_ = source;
    logLine("🪟 [Workspace] front-most application: " + source);
}

}  // namespace tarsel
