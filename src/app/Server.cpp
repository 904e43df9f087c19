#include "app/Server.h"

#include "app/ActiveClient.h"
#include "app/CurrentAddress.h"
#include "app/Globals.h"
#include "config/Pin.h"
#include "host/PortCleanup.h"
#include "host/PortHolders.h"
#include "menubar/AlertWords.h"
#include "net/UdpServer.h"
#include "platform/Platform.h"
#include "runtime/Log.h"
#include "runtime/Text.h"

namespace tarsel {
namespace {

constexpr const char* kReady = N_("✅ server listening (port 3000)");

std::string computerName() {
    std::string name = platform().host.computerName ? platform().host.computerName() : "";
    return name.empty() ? "Mac" : name;
}

void printBanner() {
    auto& g = globals();
    const std::string rule(40, '=');
    logBlankLine();
    logLine(rule);
    logLine("       " + tr(platform().host.words.serverStarted.c_str()));
    logLine(rule);
    logLine(tr("📡 This computer's address: {1}", getCurrentIP()));
    logLine(tr("🔒 PIN: [ {1} ] (6 digits)", g.serverPIN));
    logLine(tr("📂 Data folder: {1}", g.appSupportDir));
    logLine(rule);
    logLine(tr("👉 Type the PIN above into the phone app."));
    logLine(rule);
    logBlankLine();
}

// Another user's program on the port receives what phones send, the PIN
// included: the user hears of it in the log, the menu and an alert.
void warnOfForeignHolder(UdpServer& listener, uint16_t port) {
    const auto& ownerOf = platform().host.foreignPortOwner;
    auto owner = ownerOf ? ownerOf(port) : std::nullopt;
    if (!owner) return;
    const std::string who = describePortOwner(*owner);
    listener.noteHolder(portOwnerUser(*owner));
    logLine(
        tr("⛔️ [Security] another user's program holds UDP port {1}: {2} — a phone that "
           "connects now sends that program its PIN",
           port, who));
    platform().mainLoop->post([who] {
        const AlertWords w = alertWords();
        platform().alerts->runModal(
            {w.portTakenTitle, withValue(w.portTakenText, who), {w.ok}, true});
    });
}

}  // namespace

// The bind comes first: a free port needs no search for holders. One that
// cannot be had even after the clean-up is tried again every few seconds
// (never cleaned up again); the menu says so meanwhile.
void startServer(asio::thread_pool& network, RequestHandler& requests, PairingWindow& pairing) {
    auto& g = globals();
    const std::string name = computerName();
    std::shared_ptr<UdpServer> listener;
    try {
        listener = std::make_shared<UdpServer>(network, g.port, name, requests, pairing,
                                               UdpServer::Limits{});
    } catch (const std::exception&) {
        logLine(tr("❌ the listener could not be made"));
        return;
    }
    auto bound = listener->bind();
    if (bound) {
        reportPortFree(g.port);
    } else {
        killProcessOnPort(g.port, true);
        bound = listener->bind();
        if (!bound) warnOfForeignHolder(*listener, g.port);
    }
    // Two copies started together may each have made a PIN; the one that
    // holds the port now serves the one stored, so the phone's PIN survives
    // the next start.
    if (g.arguments.empty())
        if (auto stored = readStoredPIN(g.configPath)) g.serverPIN = *stored;
    startNetworkPathMonitoring();
    printBanner();
    g.activeListener = listener;
    listener->identify({g.serverPIN, g.serverVersion, getCurrentIP,
                        [](const std::string& ip) { recordClient(ip); }});
    listener->start([] { logLine(tr(kReady)); });
    g.bonjourService = platform().advertiser->publish("local.", "_tarsel._udp.", name, g.port);
    if (bound)
        logLine(tr(kReady));
    else
        logLine(tr("❌ the server could not start: {1} — trying again every few seconds",
                   bound.error()));
}

bool isListening() {
    auto listener = globals().activeListener;
    return listener && listener->listening();
}

std::string portHolder() {
    auto listener = globals().activeListener;
    return listener ? listener->holder() : "";
}

}  // namespace tarsel
