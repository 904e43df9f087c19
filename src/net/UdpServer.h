#pragma once
// One IPv4 UDP socket standing in for a listener with one connection per
// remote endpoint. A connection handles its datagrams one at a time in arrival
// order; once closed, the endpoint's next datagram makes a fresh connection.
#include <asio/ip/udp.hpp>
#include <asio/thread_pool.hpp>
#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "net/ReceiveLoop.h"
#include "runtime/DatagramBatch.h"
#include "runtime/DropReport.h"

#include "runtime/Result.h"

namespace tarsel {

class Connection;

class UdpServer : public std::enable_shared_from_this<UdpServer> {
  public:
    struct Limits {
        std::size_t maxConnections = 4096;  // idle ones are forgotten first
        double idleSeconds = 120.0;         // a quiet endpoint is forgotten after this
        std::size_t maxQueuedPerConnection = 256;
    };

    // `network` is the one thread that receives, handles and sends.
    UdpServer(asio::thread_pool& network, uint16_t port, std::string computerName,
              RequestHandler& requests, PairingWindow& pairing, Limits limits);
    ~UdpServer();

    // Binds the socket (once it is bound, again does nothing).
    [[nodiscard]] Result<> bind();
    // Starts receiving once bound. Until then it tries to bind every
    // `retrySeconds` and calls `onBound` once it has.
    void start(std::function<void()> onBound);
    bool listening() const { return bound_; }
    // Whether any datagram (a scan, a request) has arrived since the start.
    bool heardFromAnyone() const { return heard_; }
    // Who holds the port while it cannot be bound; forgotten once it is.
    void noteHolder(std::string who);
    std::string holder() const;
    // What the replies and the PIN check use; given before start().
    void identify(ServerIdentity identity) { identity_ = std::move(identity); }
    void cancel();
    asio::thread_pool& network() { return network_; }
    // Layout saves waiting their turn hold at most kWaitingSyncBytes in all;
    // past that a save that would wait is dropped. Dropped saves are counted
    // in one line every 10 s.
    bool holdWaitingSync(std::size_t bytes);
    void releaseWaitingSync(std::size_t bytes);
    void countDroppedSync() { droppedSyncs_.count(); }
    static constexpr std::size_t kWaitingSyncBytes = 8 << 20;

  private:
    friend class Connection;
    friend class FirstContact;
    void receiveNext();
    void receiveUntilEmpty();
    bool receiveBatch();  // true when more may be waiting
    void deliver(const asio::ip::udp::endpoint& from, std::string_view datagram);
    std::shared_ptr<Connection> connectionFor(const asio::ip::udp::endpoint& from);
    std::shared_ptr<Connection> knownConnection(const asio::ip::udp::endpoint& from);
    void closeFor(const asio::ip::udp::endpoint& from, double seconds);
    bool isClosed(const asio::ip::udp::endpoint& from);
    void forget(const asio::ip::udp::endpoint& from, const Connection* which);
    void makeRoom();
    std::size_t evictIdle();  // how many were forgotten
    void scheduleSweep();
    [[nodiscard]] Result<> sendTo(const asio::ip::udp::endpoint& to, std::string_view data);

    asio::thread_pool& network_;
    RequestHandler& requests_;
    PairingWindow& pairing_;
    uint16_t port_;
    std::string computerName_;
    Limits limits_;
    asio::ip::udp::socket socket_;
    std::unique_ptr<char[]> storage_;  // untouched until a datagram lands in it
    std::vector<DatagramSlot> slots_;
    std::mutex socketMutex_;  // sends, the next receive and the close
    mutable std::mutex tableMutex_;
    std::map<asio::ip::udp::endpoint, std::shared_ptr<Connection>> table_;
    // Strangers whose loop a scan closed, until when (monotonic seconds).
    std::map<asio::ip::udp::endpoint, double> closed_;
    ServerIdentity identity_;
    mutable std::mutex holderMutex_;
    std::string holder_;
    std::atomic<std::size_t> waitingSyncBytes_{0};
    DropReport droppedSyncs_;
    std::atomic<bool> cancelled_{false};
    std::atomic<bool> bound_{false};
    std::atomic<bool> heard_{false};
    static constexpr double retrySeconds = 3.0;
};

}  // namespace tarsel
