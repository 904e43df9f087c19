#include "web/WebConnection.h"

#include <asio/post.hpp>
#include <asio/write.hpp>

#include "net/RateLimiter.h"
#include "runtime/Clock.h"
#include "runtime/Log.h"
#include "runtime/LogText.h"
#include "runtime/Text.h"
#include "web/HttpResponses.h"
#include "web/WebServer.h"

namespace tarsel::web {
namespace {

double now() {
    return Clock::system().monotonic();
}

// A refusal is one line, and a flood of them from one host a few.
RateLimiter& refusalLines() {
    static RateLimiter* limiter = new RateLimiter(Clock::system(), {1.0, 5.0, 20.0, 50.0, 1024});
    return *limiter;
}

bool isWebSocketKey(std::string_view key) {
    if (key.size() != 24 || !key.ends_with("==")) return false;
    for (char c : key.substr(0, 22))
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '+' && c != '/') return false;
    return true;
}

std::string_view pathOf(std::string_view target) {
    return target.substr(0, target.find('?'));
}

}  // namespace

WebConnection::WebConnection(std::shared_ptr<WebServer> server, asio::ip::tcp::socket socket,
                             std::string address)
    : server_(std::move(server)),
      socket_(std::move(socket)),
      address_(std::move(address)),
      context_{address_,
               0,
               server_->services_.computerName,
               server_->services_.requests,
               server_->services_.phonePairing,
               server_->services_.identity},
      commands_({}, server_->network_),
      deadline_(server_->network_),
      ack_(server_->network_) {
    asio::error_code ec;
    auto remote = socket_.remote_endpoint(ec);
    if (!ec) context_.remotePort = remote.port();
}

WebConnection::~WebConnection() = default;

const std::string& WebConnection::browserId() const {
    static const std::string none;
    return handshake_ ? handshake_->browserId() : none;
}

void WebConnection::start() {
    watch(server_->limits_.headerSeconds);
    read();
}

void WebConnection::read() {
    socket_.async_read_some(asio::buffer(readBuffer_),
                            [self = shared_from_this()](const asio::error_code& ec, std::size_t n) {
                                if (ec) return self->close();
                                self->received(n);
                                if (!self->isClosed()) self->read();
                            });
}

void WebConnection::received(std::size_t n) {
    take(readBuffer_.data(), n);
}

// Nothing more is kept once the connection is closing: a client that keeps
// sending meanwhile fills no buffer.
void WebConnection::take(const char* data, std::size_t n) {
    if (closeAfterWrite_) return;
    if (phase_ == Phase::Http) {
        head_.append(data, n);
        return serveRequests();
    }
    if (!codec_) return;
    lastHeard_ = now();
    inFeed_ = true;
    const bool open = codec_->feed(data, n);
    inFeed_ = false;
    if (!open && !closeAfterWrite_) {
        if (!codec_->failure().empty()) return refuseSocket(0, codec_->failure());
        closeAfterWrite_ = true;
    }
    pump();
}

// wslay writes nothing from inside its own read: what the messages queued
// goes out once the read returns.
void WebConnection::pump() {
    if (inFeed_ || !codec_) return;
    codec_->flush();
    // wslay sends a close frame before queued messages: the refusal goes first.
    if (closeCode_) {
        codec_->close(closeCode_, "");
        closeCode_ = 0;
        codec_->flush();
    }
    output(codec_->output());
    codec_->output().clear();
    writeOut();
}

// Requests one after another on a kept-alive connection, each head within
// the size and time limits.
void WebConnection::serveRequests() {
    while (phase_ == Phase::Http && !closeAfterWrite_) {
        auto parsed = parseRequestHead(head_, server_->limits_.headerBytes);
        if (parsed.status == HeadStatus::Incomplete) return;
        if (parsed.status == HeadStatus::TooLarge) return refuse(431, "headers too large");
        if (parsed.status == HeadStatus::Malformed) return refuse(400, "malformed request");
        const HttpRequest& r = parsed.request;
        if (r.hasBody) return refuse(400, "request with a body");
        if (!isOwnHost(r.host, server_->services_.ownNames()))
            return refuse(403, "foreign Host " + clipForLog(r.host, 80));
        if (r.method != "GET" && r.method != "HEAD") return refuse(405, "method");
        if (pathOf(r.target) == "/ws") return upgrade(r, parsed.length);
        if (!serve(r)) return;
        head_.erase(0, parsed.length);
        watch(server_->limits_.headerSeconds);
    }
}

bool WebConnection::serve(const HttpRequest& r) {
    const PageFile* file = findPageFile(pathOf(r.target));
    if (!file) {
        refuse(404, "");
        return false;
    }
    const bool keepAlive = r.http11 && !listsToken(r.connection, "close");
    output(fileResponse(*file, r, keepAlive));
    if (!keepAlive) closeAfterWrite_ = true;
    writeOut();
    return keepAlive;
}

void WebConnection::upgrade(const HttpRequest& r, std::size_t headLength) {
    if (!isOwnOrigin(r.origin, server_->services_.ownNames()))
        return refuse(403, "foreign Origin " + clipForLog(r.origin, 80));
    if (r.method != "GET" || !listsToken(r.upgrade, "websocket") ||
        !listsToken(r.connection, "upgrade") || r.webSocketVersion != "13" ||
        !isWebSocketKey(r.webSocketKey))
        return refuse(400, "bad upgrade");
    output(upgradeResponse(r.webSocketKey));
    writeOut();
    phase_ = Phase::Handshake;
    codec_ = std::make_unique<WebSocketCodec>([this](std::string_view text) { message(text); });
    handshake_ = std::make_unique<Handshake>(handshakeContext());
    const std::string early = head_.substr(headLength);
    head_ = std::string();
    lastHeard_ = now();
    watch(server_->limits_.proofSeconds);
    if (!early.empty()) take(early.data(), early.size());
}

Handshake::Context WebConnection::handshakeContext() {
    auto& s = server_->services_;
    std::weak_ptr<WebConnection> weak = weak_from_this();
    auto& network = server_->network_;
    return {s.store,
            s.pairing,
            address_,
            s.computerName,
            [this](std::string_view text) { codec_->sendText(text); },
            [&s, weak, &network](ApprovalRequest request) {
                return s.pairing.ask(std::move(request),
                                     [weak, &network](bool ok, const char* why) {
                                         asio::post(network, [weak, ok, why] {
                                             if (auto self = weak.lock()) self->approval(ok, why);
                                         });
                                     });
            },
            [this] { return server_->mayAsk(address_); }};
}

void WebConnection::message(std::string_view text) {
    if (phase_ == Phase::Proven) return sealedMessage(text);
    if (phase_ == Phase::Handshake) handshakeStep(handshake_->handle(text));
}

void WebConnection::approval(bool approved, const char* why) {
    if (phase_ != Phase::Handshake) return;
    handshakeStep(handshake_->approved(approved, why));
    pump();
}

void WebConnection::handshakeStep(Handshake::Step step) {
    if (step == Handshake::Step::Refused) return refuseSocket(1008, handshake_->refusal());
    // The user may take a while to compare the codes: the request lasts as
    // long as pairing stays open.
    if (handshake_->waitsForApproval()) {
        auto left = server_->services_.pairing.secondsLeft();
        return watch(left ? *left + 1.0 : server_->limits_.proofSeconds);
    }
    if (step != Handshake::Step::Ready) return;
    phase_ = Phase::Proven;
    channel_ = std::make_unique<SealedChannel>(handshake_->keys());
    if (!server_->proven(*this)) return refuseSocket(1013, "too many browsers");
    seen();
    watch(server_->limits_.silentSeconds);
}

void WebConnection::sealedMessage(std::string_view frame) {
    auto plain = channel_->open(frame);
    if (!plain) return refuseSocket(1008, "bad seal or counter");
    const uint64_t counter = channel_->lastCounter();
    seen();
    handleProvenRequest(context_, *this, *plain);
    if (isClosed()) return;
    // A command still waiting is carried out after those before it.
    if (!commands_.runIfIdle([&] { carriedOut(counter); }))
        commands_.async([self = shared_from_this(), counter] { self->carriedOut(counter); });
}

// The tray shows the browser as connected while it talks (its pings every 5 s
// keep it there); told once a second at most, as each report copies its name.
void WebConnection::seen() {
    const double t = now();
    if (t - lastSeen_ < 1.0) return;
    lastSeen_ = t;
    if (server_->services_.clientSeen)
        server_->services_.clientSeen(address_, handshake_->browserName());
}

// The page learns how far its moves got, at most every ackSeconds.
void WebConnection::carriedOut(uint64_t counter) {
    carried_ = counter;
    if (ackArmed_ || isClosed()) return;
    const double wait = lastAck_ + server_->limits_.ackSeconds - now();
    if (wait <= 0) return sendAck();
    ackArmed_ = true;
    ack_.expires_after(
        std::chrono::duration_cast<std::chrono::steady_clock::duration>(Seconds(wait)));
    ack_.async_wait([self = shared_from_this()](const asio::error_code& ec) {
        self->ackArmed_ = false;
        if (!ec) self->sendAck();
    });
}

void WebConnection::sendAck() {
    if (carried_ == acked_ || isClosed()) return;
    acked_ = carried_;
    lastAck_ = now();
    (void)send("{\"t\":\"ack\",\"n\":" + std::to_string(acked_) + "}");
}

Result<> WebConnection::send(std::string_view text) {
    if (phase_ != Phase::Proven || closeAfterWrite_) return failure("connection closed");
    const auto frame = channel_->seal(text);
    if (frame.empty()) return failure("message too large to seal");
    codec_->sendText(frame);
    pump();
    return {};
}

void WebConnection::submitCommand(std::function<void()> task) {
    commands_.async([self = shared_from_this(), task = std::move(task)] {
        if (!self->isClosed()) task();
    });
}

void WebConnection::refuse(int status, const std::string& why) {
    if (!why.empty() && refusalLines().allow(address_))
        logLine(tr("⛔️ [Web] request refused ({1}): {2} {3}", address_, status,
                   escapeLogText(why)));
    output(refusalResponse(status));
    closeAfterWrite_ = true;
    watch(kClosingSeconds);
    writeOut();
}

void WebConnection::refuseSocket(uint16_t code, const std::string& why) {
    if (refusalLines().allow(address_))
        logLine(tr("⛔️ [Web] connection refused ({1}): {2}", address_, escapeLogText(why)));
    closeAfter(code);
}

// The close frame (none for code 0) follows what is queued; the socket closes
// once it is written, or after kClosingSeconds for a browser that does not read.
void WebConnection::closeAfter(uint16_t code) {
    closeCode_ = code;
    closeAfterWrite_ = true;
    watch(kClosingSeconds);
    pump();
}

void WebConnection::output(std::string_view bytes) {
    pending_.append(bytes);
    if (pending_.size() > kLargestBacklog) {
        pending_.clear();
        close();
    }
}

void WebConnection::writeOut() {
    if (writeBusy_ || isClosed()) return;
    if (pending_.empty()) {
        if (closeAfterWrite_) close();
        return;
    }
    writing_.swap(pending_);
    pending_.clear();
    writeBusy_ = true;
    asio::async_write(socket_, asio::buffer(writing_),
                      [self = shared_from_this()](const asio::error_code& ec, std::size_t) {
                          self->writeBusy_ = false;
                          if (ec) return self->close();
                          self->writing_.clear();
                          self->writeOut();
                      });
}

// The phase's limit runs from the last message heard (from now for the
// header and proof limits, which messages do not extend).
void WebConnection::watch(double seconds) {
    limit_ = seconds;
    lastHeard_ = now();
    deadline_.expires_after(
        std::chrono::duration_cast<std::chrono::steady_clock::duration>(Seconds(seconds)));
    deadline_.async_wait([self = shared_from_this()](const asio::error_code& ec) {
        if (!ec) self->expired();
    });
}

void WebConnection::expired() {
    if (isClosed()) return;
    if (closeAfterWrite_) return close();  // a browser that does not read its refusal
    const double quiet = now() - lastHeard_;
    if (phase_ == Phase::Proven && quiet < limit_) {
        deadline_.expires_after(std::chrono::duration_cast<std::chrono::steady_clock::duration>(
            Seconds(limit_ - quiet)));
        deadline_.async_wait([self = shared_from_this()](const asio::error_code& ec) {
            if (!ec) self->expired();
        });
        return;
    }
    if (phase_ == Phase::Http) return close();  // an idle kept-alive connection, or a slow one
    refuseSocket(1008, phase_ == Phase::Proven ? "silent for too long" : "no proof in time");
}

void WebConnection::close(uint16_t code) {
    if (isClosed()) return;
    if (code && codec_ && !closeAfterWrite_) return closeAfter(code);
    phase_ = Phase::Closed;
    asio::error_code ec;
    deadline_.cancel();
    ack_.cancel();
    socket_.shutdown(asio::ip::tcp::socket::shutdown_both, ec);
    socket_.close(ec);
    server_->closed(*this);
}

}  // namespace tarsel::web
