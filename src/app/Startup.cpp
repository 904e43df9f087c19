#include "app/Startup.h"

#include "app/AgentRequests.h"
#include "app/BrowserRemote.h"
#include "app/ControlRequests.h"
#include "app/Globals.h"
#include "app/Server.h"
#include "app/Shutdown.h"
#include "config/DataDirectory.h"
#include "config/Pin.h"
#include "host/AccessibilityCheck.h"
#include "host/LaunchAgent.h"
#include "input/InputQueues.h"
#include "menubar/StatusBarController.h"
#include "net/Pairing.h"
#include "net/RequestLines.h"
#include "platform/Platform.h"
#include "runtime/Files.h"
#include "runtime/Log.h"
#include "runtime/SerialQueue.h"
#include "runtime/Unicode.h"

namespace tarsel {
namespace {

// An active firewall is the usual reason a phone cannot find the computer.
// The check may wait on D-Bus, so it runs beside the start-up.
void reportFirewall(asio::thread_pool& pool, int port, int webPort) {
    if (!platform().host.firewallHint) return;
    asio::post(pool, [port, webPort] {
        const auto& hintFor = platform().host.firewallHint;
        if (std::string hint = hintFor(port, false); !hint.empty()) logLine(hint);
        if (webPort == 0) return;
        if (std::string hint = hintFor(webPort, true); !hint.empty()) logLine(hint);
    });
}

// A start that made the PIN or was given it is the user setting a phone up;
// the start at log-in, with the stored PIN, keeps the PIN to itself.
void preparePairing(PairingWindow& pairing, const std::string& configPath, PinSource source) {
    pairing.setAlwaysShowPin(discoveryPinAlways(configPath));
    if (source != PinSource::stored) pairing.open(PairingWindow::kAtStartSeconds);
}

}  // namespace

void startUp(const std::vector<std::string>& arguments, Executors& executors,
             AgentRequests& requests, PairingWindow& pairing, BrowserRemote& browsers) {
    unicode::prepare();
    RequestLines::install();  // before any work is handed to another thread
    auto& g = globals();
    g.arguments = arguments;
    g.appSupportDir = makeAppSupportDir(platform().host);
    files::removeStaleTemporaries(g.appSupportDir);
    g.configPath = files::join(g.appSupportDir, "config.json");
    PinSource source = PinSource::stored;
    g.serverPIN = loadOrCreatePIN(g.arguments, g.configPath, &source);
    g.port = 3000;
    g.ipQueue = std::make_unique<SerialQueue>("com.remote.ipQueue", executors.global);
    g.currentIP = "127.0.0.1";
    g.pathMonitor.reset();
    g.pathMonitorQueue = std::make_unique<SerialQueue>("com.remote.pathMonitor", executors.global);
    g.shortcutsDBPath = files::join(g.appSupportDir, "shortcuts_db.json");
    g.connectedClient.reset();
    g.activeListener.reset();
    g.serverVersion = TARSEL_VERSION;
    g.bonjourService.reset();
    setupSignalHandler();
    checkAccessibilityPermission();
    ensureLaunchAgentInstalled();
    KeyMapProcessor::installQueues(executors.network.get_executor(), executors.timers, *g.clock);
    requests.openShortcuts(g.shortcutsDBPath, executors.global.get_executor());
    finishBeforeExit([&requests] { requests.flushShortcuts(); });
    finishBeforeExit([] {
        if (platform().release) platform().release();
    });
    preparePairing(pairing, g.configPath, source);
    startServer(executors.network, requests, pairing);
    browsers.start(executors.network, requests, pairing, g.appSupportDir, g.configPath,
                   source != PinSource::stored);
    finishBeforeExit([&browsers] { browsers.stop(); });
    startControlSocket(executors.global, pairing, browsers);
    browsers.announce();
    reportFirewall(executors.global, g.port, browsers.port());
    StatusBarController::shared().install(executors, pairing, browsers);
    startUpComplete();
}

}  // namespace tarsel
