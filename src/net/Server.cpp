#include "net/Server.h"

#include "app/Globals.h"
#include "config/Pin.h"
#include "host/PortCleanup.h"
#include "net/LocalAddress.h"
#include "net/UdpServer.h"
#include "platform/Platform.h"
#include "runtime/Log.h"

namespace tarsel {
namespace {

std::string computerName() {
    std::string name = platform().host.computerName ? platform().host.computerName() : "";
    return name.empty() ? "Mac" : name;
}

void printBanner() {
    auto& g = globals();
    const std::string rule(40, '=');
    logBlankLine();
    logLine(rule);
    logLine("       🚀 맥 서버가 실행되었습니다");
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

void startServer(asio::thread_pool& network, RequestHandler& requests, PairingWindow& pairing) {
    auto& g = globals();
    killProcessOnPort(g.port);
    // Two copies started together may each have made a PIN; the one that
    // holds the port now serves the one stored, so the phone's PIN survives
    // the next start.
    if (g.arguments.empty())
        if (auto stored = readStoredPIN(g.configPath)) g.serverPIN = *stored;
    std::string name = computerName();
    startNetworkPathMonitoring();
    printBanner();
    std::shared_ptr<UdpServer> listener;
    try {
        listener = std::make_shared<UdpServer>(network, g.port, name, requests, pairing,
                                               UdpServer::Limits{});
    } catch (const std::exception&) {
        logLine("❌ 리스너 생성 실패");
        return;
    }
    g.activeListener = listener;
    auto started = listener->start();
    g.bonjourService = platform().advertiser->publish("local.", "_tarsel._udp.", name, g.port);
    logLine("📡 [mDNS] _tarsel._udp 광고 시작 (" + name + ":" + std::to_string(g.port) + ")");
    if (started)
        logLine("✅ 서버 리스너 대기 중 (포트 3000)");
    else
        logLine("❌ 서버 시작 실패: " + started.error());
}

}  // namespace tarsel
