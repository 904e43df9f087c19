#include "app/Server.h"

#include "app/ActiveClient.h"
#include "app/CurrentAddress.h"
#include "app/Globals.h"
#include "config/Pin.h"
#include "host/PortCleanup.h"
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
    }
    // Two copies started together may each have made a PIN; the one that
    // holds the port now serves the one stored, so the phone's PIN survives
    // the next start.
    if (g.arguments.empty())
        if (auto stored = readStoredPIN(g.configPath)) g.serverPIN = *stored;
    startNetworkPathMonitoring();
    printBanner();
    g.activeListener = listener;
    listener->identify({g.serverPIN, g.serverVersion, getCurrentIP, recordClient});
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

}  // namespace tarsel
