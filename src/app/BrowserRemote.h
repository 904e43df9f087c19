#pragma once
// The browser remote as the rest of the agent sees it: the page's server,
// browser pairing and the paired browsers. Owned by main, handed down.
#include <asio/thread_pool.hpp>
#include <memory>
#include <optional>
#include <string>

#include "net/ReceiveLoop.h"
#include "runtime/Queues.h"
#include "web/BrowserPairing.h"
#include "web/BrowserStore.h"

namespace tarsel {

namespace web {
class WebServer;
}

class BrowserRemote {
  public:
    explicit BrowserRemote(Executors& executors);
    ~BrowserRemote();

    // Start-up, after the UDP listener: reads the port and the paired
    // browsers, and opens the page's port (retrying while another holds it).
    // A first start opens pairing for ten minutes.
    void start(asio::thread_pool& network, RequestHandler& requests, PairingWindow& phonePairing,
               const std::string& dataDir, const std::string& configPath, bool firstStart);
    void stop();
    // Logs the page's address once everything that serves it is up (the
    // control socket included): tools may talk to the agent from that line on.
    void announce();

    web::BrowserPairing& pairing() { return pairing_; }
    web::BrowserStore& store() { return *store_; }
    uint16_t port() const { return port_; }  // 0: turned off
    bool listening() const;
    bool heardFromAnyone() const;  // a browser has connected since the start
    // While another user's program holds the port: that user, else "".
    std::string holder() const;
    // The QR code's address while pairing is open and the port is ours.
    std::optional<std::string> pairingUrl();
    // The page's address without a token, for typing in.
    std::string pageUrl() const;

  private:
    void warnOfForeignHolder();

    web::BrowserPairing pairing_;
    std::unique_ptr<web::BrowserStore> store_;
    std::shared_ptr<web::WebServer> server_;
    ServerIdentity identity_;
    uint16_t port_ = 0;
};

}  // namespace tarsel
