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

namespace tarsel {
namespace {

constexpr const char* kReady = "✅ 서버 리스너 대기 중 (포트 3000)";

std::string computerName() {
    std::string name = platform().host.computerName ? platform().host.computerName() : "";
    return name.empty() ? "Mac" : name;
}

void printBanner() {
    auto& g = globals();
    const std::string rule(40, '=');
    logBlankLine();
    logLine(rule);
    logLine("       " + platform().host.words.serverStarted);
    logLine(rule);
    logLine("📡 내 IP 주소: " + getCurrentIP());
    logLine("🔒 접속 PIN : [ " + g.serverPIN + " ] (6 digits)");
    logLine("📂 데이터 경로: " + g.appSupportDir);
    logLine(rule);
    logLine("👉 아이폰 앱에서 위 PIN 번호를 입력하세요.");
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
    logLine("⛔️ [Security] 다른 사용자의 프로그램이 UDP 포트 " +
            std::to_string(port) + "을 쓰고 있습니다: " + who +
            " — 지금 연결하는 휴대폰의 PIN을 그 프로그램이 받습니다");
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
        logLine("❌ 리스너 생성 실패");
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
    listener->start([] { logLine(kReady); });
    g.bonjourService = platform().advertiser->publish("local.", "_tarsel._udp.", name, g.port);
    logLine("📡 [mDNS] _tarsel._udp 광고 시작 (" + name + ":" + std::to_string(g.port) + ")");
    if (bound)
        logLine(kReady);
    else
        logLine("❌ 서버 시작 실패: " + bound.error() + " — 몇 초마다 다시 시도합니다");
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
