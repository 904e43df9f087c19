#pragma once
// One remote endpoint's connection: its datagrams in order, one at a time, and
// its commands in order, both on the network thread.
#include <asio/ip/udp.hpp>
#include <atomic>
#include <deque>
#include <memory>
#include <string>

#include "net/RateLimiter.h"
#include "net/ReceiveLoop.h"
#include "runtime/SerialQueue.h"

namespace tarsel {

class UdpServer;

class Connection : public ConnectionIO, public std::enable_shared_from_this<Connection> {
  public:
    Connection(std::shared_ptr<UdpServer> server, asio::ip::udp::endpoint endpoint,
               ConnectionContext context, std::size_t maxQueued);

    // Handles the datagram at once where none of this endpoint's waits (no copy
    // is made), else queues a copy behind them.
    void enqueue(std::string_view datagram);
    double lastActive() const { return lastActive_.load(); }

    Result<> send(std::string_view text) override;
    void cancel() override;
    void cancelAfter(double seconds) override;
    void submitCommand(std::function<void()> task) override;
    bool runIfIdle(TaskRef task) override { return commands_.runIfIdle(task); }
    bool paces() const override { return true; }
    bool deferSync(std::string_view text, unsigned sections) override;
    void beforeFetch() override;
    ~Connection() override;

    // Layout saves carried out at once, a second; faster ones wait their turn,
    // in order, and past this much waiting the oldest gives way.
    static constexpr double kSyncsPerSecond = 2.0;
    static constexpr std::size_t kWaitingSyncBytes = 256 * 1024;

  private:
    struct WaitingSync {
        std::string text;
        unsigned sections;  // RequestHead::sections
    };

    void handle(std::string_view datagram);
    void armFlush();
    void flushSync();
    // Forgets a waiting save unparsed; the one after it.
    std::deque<WaitingSync>::iterator dropSync(std::deque<WaitingSync>::iterator which);

    std::shared_ptr<UdpServer> server_;
    asio::ip::udp::endpoint endpoint_;
    ConnectionContext context_;
    std::size_t maxQueued_;
    SerialQueue datagrams_;
    SerialQueue commands_;
    std::atomic<bool> stopped_ = false;
    std::atomic<double> lastActive_;
    // On the network thread only.
    TokenBucket syncs_;
    std::deque<WaitingSync> waitingSyncs_;
    std::size_t waitingBytes_ = 0;
    bool flushing_ = false;
    bool flushArmed_ = false;
};

// The address of an endpoint as the protocol, the lockout and the logs use it.
std::string getRemoteIP(const asio::ip::udp::endpoint& endpoint);

}  // namespace tarsel
