#include "app/Startup.h"

#include "app/Globals.h"
#include "app/Shutdown.h"
#include "config/DataDirectory.h"
#include "config/Pin.h"
#include "host/AccessibilityCheck.h"
#include "host/LaunchAgent.h"
#include "menubar/StatusBarController.h"
#include "net/Server.h"
#include "platform/Platform.h"
#include "runtime/Files.h"
#include "runtime/Log.h"
#include "runtime/Queues.h"

namespace tarsel {
namespace {

// An active firewall is the usual reason a phone cannot find the computer.
// The check may wait on D-Bus, so it runs beside the start-up.
void reportFirewall(int port) {
    if (!platform().host.firewallHint) return;
    asio::post(Queues::global(), [port] {
        if (std::string hint = platform().host.firewallHint(port); !hint.empty()) logLine(hint);
    });
}

}  // namespace

void startUp(const std::vector<std::string>& arguments) {
    auto& g = globals();
    g.arguments = arguments;
    g.appSupportDir = makeAppSupportDir(platform().host);
    g.configPath = files::join(g.appSupportDir, "config.json");
    g.serverPIN = loadOrCreatePIN(g.arguments, g.configPath);
    g.port = 3000;
    g.ipQueue = std::make_unique<SerialQueue>("com.remote.ipQueue", Queues::global());
    g.currentIP = "127.0.0.1";
    g.pathMonitor.reset();
    g.pathMonitorQueue = std::make_unique<SerialQueue>("com.remote.pathMonitor", Queues::global());
    g.shortcutsDBPath = files::join(g.appSupportDir, "shortcuts_db.json");
    g.connectedClient.reset();
    g.activeListener.reset();
    g.serverVersion = TARSEL_VERSION;
    g.bonjourService.reset();
    setupSignalHandler();
    checkAccessibilityPermission();
    ensureLaunchAgentInstalled();
    startServer();
    reportFirewall(g.port);
    StatusBarController::shared().install();
    startUpComplete();
}

}  // namespace tarsel
