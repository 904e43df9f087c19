#include "app/BrowserRemote.h"

#include "app/ActiveClient.h"
#include "app/CurrentAddress.h"
#include "config/Pin.h"
#include "host/PortHolders.h"
#include "platform/Platform.h"
#include "runtime/Files.h"
#include "runtime/Log.h"
#include "runtime/Text.h"
#include "web/WebServer.h"

namespace tarsel {
namespace {

web::OwnNames ownNames(uint16_t port) {
    const auto& host = platform().host;
    web::OwnNames names;
    names.port = port;
    if (host.hostAddresses)
        for (auto& a : host.hostAddresses())
            if (a.find(':') == std::string::npos) names.addresses.push_back(a);
    names.addresses.push_back(getCurrentIP());
    if (host.hostName) names.hostName = host.hostName();
    return names;
}

std::string computerName() {
    std::string name = platform().host.computerName ? platform().host.computerName() : "";
    return name.empty() ? "Computer" : name;
}

}  // namespace

BrowserRemote::BrowserRemote(Executors& executors)
    : pairing_(Clock::system(), executors.timers, executors.network.get_executor()) {}

BrowserRemote::~BrowserRemote() = default;

void BrowserRemote::start(asio::thread_pool& network, RequestHandler& requests,
                          PairingWindow& phonePairing, const std::string& dataDir,
                          const std::string& configPath, bool firstStart) {
    store_ =
        std::make_unique<web::BrowserStore>(files::join(dataDir, "browsers.json"), Clock::system());
    store_->load();
    port_ = webPort(configPath);
    if (port_ == 0) {
        logLine(tr("🌐 [Web] the browser remote is off (web_port 0)"));
        return;
    }
    const uint16_t port = port_;
    web::WebServices services{
        *store_,
        pairing_,
        requests,
        phonePairing,
        identity_,
        computerName(),
        [port] { return ownNames(port); },
        [](const std::string& ip, const std::string& name) { recordClient(ip, name); }};
    server_ = std::make_shared<web::WebServer>(network, port, std::move(services));
    store_->onForget([server = server_](const std::string& id) { server->disconnect(id); });
    auto bound = server_->bind();
    if (!bound) {
        logLine(
            tr("❌ [Web] the web port {1} cannot be opened: {2} — trying again every few "
               "seconds",
               port, bound.error()));
        warnOfForeignHolder();
    }
    server_->start([port] { logLine(tr("🌐 [Web] listening on the web port {1}", port)); });
    if (firstStart) pairing_.open(web::BrowserPairing::kAtFirstStartSeconds);
}

void BrowserRemote::announce() {
    if (listening()) logLine(tr("🌐 [Web] the phone's browser page: {1}", pageUrl()));
}

void BrowserRemote::warnOfForeignHolder() {
    const auto& ownerOf = platform().host.foreignTcpPortOwner;
    auto owner = ownerOf ? ownerOf(port_) : std::nullopt;
    if (!owner) return;
    server_->noteHolder(portOwnerUser(*owner));
    logLine(
        tr("⛔️ [Security] another user's program holds TCP port {1}: {2} — do not pair a "
           "browser with that program",
           port_, describePortOwner(*owner)));
}

void BrowserRemote::stop() {
    if (server_) server_->cancel();
}

bool BrowserRemote::listening() const {
    return server_ && server_->listening();
}

bool BrowserRemote::heardFromAnyone() const {
    return server_ && server_->heardFromAnyone();
}

std::string BrowserRemote::holder() const {
    return server_ ? server_->holder() : "";
}

std::string BrowserRemote::pageUrl() const {
    return "http://" + getCurrentIP() + ":" + std::to_string(port_) + "/";
}

std::optional<std::string> BrowserRemote::pairingUrl() {
    if (!listening()) return std::nullopt;
    auto token = pairing_.token();
    if (!token) return std::nullopt;
    return pageUrl() + "#pair=" + *token;
}

}  // namespace tarsel
