#include "platform/dbus/KwinScript.h"

#include "platform/dbus/SessionBus.h"
#include "runtime/Files.h"
#include "runtime/LocalControl.h"
#include "runtime/Log.h"

namespace tarsel {
namespace {

constexpr const char* kScriptName = "tarsel-frontmost";

// KWin 6 names them windowActivated/activeWindow, 5.27 clientActivated/activeClient.
constexpr const char* kScript =
    R"(// Written by the Tarsel agent: reports the front-most application to it.
function report(window) {
    const id = window ? String(window.desktopFileName || window.resourceClass || "") : "";
    callDBus("com.tarsel.Server", "/com/tarsel/Server", "com.tarsel.Server", "SetFrontmost",
             id, "kwin-script");
}
(workspace.windowActivated || workspace.clientActivated).connect(report);
report(workspace.activeWindow || workspace.activeClient);
)";

std::string scriptPath(const std::string& socket) {
    return socket.substr(0, socket.rfind('/')) + "/kwin-frontmost.js";
}

// A script of that name from an earlier run goes first: KWin refuses a second.
int load(sd_bus* bus, const std::string& path) {
    sd_bus_call_method(bus, "org.kde.KWin", "/Scripting", "org.kde.kwin.Scripting", "unloadScript",
                       nullptr, nullptr, "s", kScriptName);
    sd_bus_message* reply = nullptr;
    int32_t id = -1;
    if (sd_bus_call_method(bus, "org.kde.KWin", "/Scripting", "org.kde.kwin.Scripting",
                           "loadScript", nullptr, &reply, "ss", path.c_str(), kScriptName) >= 0)
        sd_bus_message_read(reply, "i", &id);
    sd_bus_message_unref(reply);
    if (id < 0) return -1;
    return sd_bus_call_method(bus, "org.kde.KWin", "/Scripting", "org.kde.kwin.Scripting", "start",
                              nullptr, nullptr, "");
}

}  // namespace

bool loadKwinFrontmostScript(const std::shared_ptr<SessionBus>& bus) {
    auto socket = prepareControlSocket();
    const std::string path = socket ? scriptPath(*socket) : "";
    Result<> written =
        socket ? files::writeAtomic(path, kScript, 0600, true) : Result<>(failure(socket.error()));
    if (!written) {
        logLine("⚠️ [Workspace] KWin script not written: " + written.error());
        return false;
    }
    if (bus->with([&](sd_bus* b) { return load(b, path); }) < 0) {
        logLine("⚠️ [Workspace] KWin did not load the front-most application script");
        return false;
    }
    return true;
}

}  // namespace tarsel
