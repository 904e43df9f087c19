#pragma once
// The phone page's server: HTTP/1.1 for the page's files and one WebSocket
// endpoint, on one TCP port, on the network thread beside the UDP server.
// It keeps its connections within bounds: few proven ones, one per browser,
// a capped number still proving themselves, and new connections paced per
// address.
#include <asio/ip/tcp.hpp>
#include <asio/steady_timer.hpp>
#include <asio/thread_pool.hpp>
#include <atomic>
#include <functional>
#include <list>
#include <memory>
#include <mutex>
#include <string>

#include "net/RateLimiter.h"
#include "net/ReceiveLoop.h"
#include "runtime/Result.h"
#include "web/BrowserPairing.h"
#include "web/BrowserStore.h"
#include "web/HostCheck.h"

namespace tarsel::web {

class WebConnection;

struct WebLimits {
    std::size_t proven = 8;     // authenticated connections
    std::size_t unproven = 32;  // the oldest gives way to a newcomer
    double headerSeconds = 5, proofSeconds = 10, silentSeconds = 15;
    std::size_t headerBytes = 8 * 1024;
    double ackSeconds = 0.05;
};

struct WebServices {
    BrowserStore& store;
    BrowserPairing& pairing;
    RequestHandler& requests;  // the same path as a datagram's
    PairingWindow& phonePairing;
    const ServerIdentity& identity;
    std::string computerName;
    std::function<OwnNames()> ownNames;  // read at each request
    // A browser proved its key: the tray's active client.
    std::function<void(const std::string& ip, const std::string& name)> clientSeen;
};

class WebServer : public std::enable_shared_from_this<WebServer> {
  public:
    WebServer(asio::thread_pool& network, uint16_t port, WebServices services,
              WebLimits limits = {});
    ~WebServer();

    [[nodiscard]] Result<> bind();
    // Accepts once bound; until then tries every few seconds, `onBound` once it has.
    void start(std::function<void()> onBound);
    void cancel();
    bool listening() const { return bound_; }
    // Whether any browser has connected since the start.
    bool heardFromAnyone() const { return heard_; }
    uint16_t port() const { return port_; }
    void noteHolder(std::string who);
    std::string holder() const;
    // Closes the live connection of a forgotten browser; from any thread.
    void disconnect(const std::string& browserId);

  private:
    friend class WebConnection;
    void acceptNext();
    void accepted(asio::ip::tcp::socket socket);
    void retryBind(std::function<void()> onBound);
    // A connection proved its key; false when it must close (no room).
    bool proven(WebConnection& which);
    void closed(WebConnection& which);
    bool mayAsk(const std::string& address);

    asio::thread_pool& network_;
    uint16_t port_;
    WebServices services_;
    WebLimits limits_;
    asio::ip::tcp::acceptor acceptor_;
    asio::steady_timer retry_;
    // On the network thread only: every open connection, oldest first.
    std::list<std::weak_ptr<WebConnection>> connections_;
    RateLimiter newConnections_, approvalRequests_;
    mutable std::mutex holderMutex_;
    std::string holder_;
    std::atomic<bool> bound_{false}, cancelled_{false}, heard_{false};
    static constexpr double kRetrySeconds = 3.0;
};

}  // namespace tarsel::web
