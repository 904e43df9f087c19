#pragma once
// One browser's TCP connection: HTTP requests for the page's files, then
// after the upgrade WebSocket messages — the handshake, then sealed requests
// that take the same path as a datagram's. Everything on the network thread.
#include <array>
#include <asio/ip/tcp.hpp>
#include <asio/steady_timer.hpp>
#include <memory>
#include <string>

#include "net/ReceiveLoop.h"
#include "runtime/SerialQueue.h"
#include "web/Handshake.h"
#include "web/HttpRequest.h"
#include "web/SealedChannel.h"
#include "web/WebSocketCodec.h"

namespace tarsel::web {

class WebServer;

class WebConnection : public ConnectionIO, public std::enable_shared_from_this<WebConnection> {
  public:
    WebConnection(std::shared_ptr<WebServer> server, asio::ip::tcp::socket socket,
                  std::string address);
    ~WebConnection() override;
    void start();
    // Ends the connection at once, or with `code` a WebSocket's after its close frame.
    void close(uint16_t code = 0);

    bool isProven() const { return phase_ == Phase::Proven; }
    bool isClosed() const { return phase_ == Phase::Closed; }
    const std::string& browserId() const;
    const std::string& address() const { return address_; }

    Result<> send(std::string_view text) override;
    void cancel() override { close(1000); }
    void cancelAfter(double) override { close(1000); }
    void submitCommand(std::function<void()> task) override;
    bool runIfIdle(TaskRef task) override { return commands_.runIfIdle(task); }

    // Bytes waiting to be written past which a browser that does not read is cut off.
    static constexpr std::size_t kLargestBacklog = 1 << 20;
    static constexpr double kClosingSeconds = 2.0;

  private:
    enum class Phase { Http, Handshake, Proven, Closed };

    void read();
    void received(std::size_t n);
    void take(const char* data, std::size_t n);
    void serveRequests();
    bool serve(const HttpRequest& request);
    void upgrade(const HttpRequest& request, std::size_t headLength);
    void message(std::string_view text);
    void handshakeStep(Handshake::Step step);
    void sealedMessage(std::string_view frame);
    void seen();
    void carriedOut(uint64_t counter);
    void sendAck();
    void refuse(int status, const std::string& why);
    void refuseSocket(uint16_t code, const std::string& why);
    void closeAfter(uint16_t code);
    void approval(bool approved, const char* why);
    void output(std::string_view bytes);
    void writeOut();
    void pump();
    void watch(double seconds);
    void expired();
    Handshake::Context handshakeContext();

    std::shared_ptr<WebServer> server_;
    asio::ip::tcp::socket socket_;
    std::string address_;
    ConnectionContext context_;
    Phase phase_ = Phase::Http;
    std::array<char, 4096> readBuffer_{};
    std::string head_;
    std::unique_ptr<WebSocketCodec> codec_;
    std::unique_ptr<Handshake> handshake_;
    std::unique_ptr<SealedChannel> channel_;
    SerialQueue commands_;
    std::string pending_, writing_;
    bool writeBusy_ = false, closeAfterWrite_ = false, inFeed_ = false;
    // One timer for the phase's deadline; messages only move `lastHeard_`.
    asio::steady_timer deadline_, ack_;
    double lastHeard_ = 0, limit_ = 0;
    uint16_t closeCode_ = 0;  // sent once what is queued has gone
    uint64_t carried_ = 0, acked_ = 0;
    double lastAck_ = -1, lastSeen_ = -1;
    bool ackArmed_ = false;
};

}  // namespace tarsel::web
