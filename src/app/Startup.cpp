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
#include "net/UdpServer.h"
#include "platform/Platform.h"
#include "runtime/Files.h"
#include "runtime/Log.h"
#include "runtime/SerialQueue.h"
#include "runtime/Unicode.h"

namespace tarsel {
namespace {

constexpr double kFirewallHintSeconds = 60.0;

// An active firewall is the usual reason a phone cannot find the computer, so
// the hint comes once, a minute after the start, and only when no phone or
// browser has reached the agent by then: a user who allowed the ports, or a
// computer already in use, never reads it. The check may wait on D-Bus.
void reportFirewall(Executors& executors, const BrowserRemote& browsers, int webPort) {
    if (!platform().host.firewallHint) return;
    executors.timers.after(
        executors.global.get_executor(), Seconds(kFirewallHintSeconds), [&browsers, webPort] {
            auto listener = globals().activeListener;
            if ((listener && listener->heardFromAnyone()) || browsers.heardFromAnyone()) return;
            if (std::string hint = platform().host.firewallHint(webPort); !hint.empty())
                logLine(hint);
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
    reportFirewall(executors, browsers, browsers.port());
    StatusBarController::shared().install(executors, pairing, browsers);
    startUpComplete();
}

}  // namespace tarsel
