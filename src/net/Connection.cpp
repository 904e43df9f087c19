#include "net/Connection.h"

#include "net/UdpServer.h"
#include "runtime/Clock.h"
#include "runtime/Queues.h"

namespace tarsel {

std::string getRemoteIP(const asio::ip::udp::endpoint& endpoint) {
    auto address = endpoint.address();
    if (address.is_v6() && address.to_v6().is_v4_mapped())
        return asio::ip::make_address_v4(asio::ip::v4_mapped, address.to_v6()).to_string();
    return address.to_string();
}

Connection::Connection(std::shared_ptr<UdpServer> server, asio::ip::udp::endpoint endpoint,
                       ConnectionContext context, std::size_t maxQueued)
    : server_(std::move(server)),
      endpoint_(endpoint),
      context_(std::move(context)),
      maxQueued_(maxQueued),
      datagrams_({}, server_->network()),
      commands_({}, server_->network()),
      lastActive_(Clock::system().monotonic()),
      syncs_{kSyncsPerSecond, lastActive_.load()} {}

Connection::~Connection() {
    server_->releaseWaitingSync(waitingSync_.size());
}

bool Connection::deferSync(std::string_view text) {
    const double now = Clock::system().monotonic();
    if (flushing_) return false;
    if (waitingSync_.empty() && syncs_.take(now, kSyncsPerSecond, kSyncsPerSecond)) return false;
    if (!server_->holdWaitingSync(waitingSync_.size(), text.size())) return true;
    waitingSync_.assign(text);
    if (flushArmed_) return true;
    flushArmed_ = true;
    dispatchAfter(server_->network().get_executor(), Seconds(1.0 / kSyncsPerSecond),
                  [self = shared_from_this()] {
                      self->flushArmed_ = false;
                      self->datagrams_.async([self] { self->flushSync(); });
                  });
    return true;
}

// The newest waiting save, carried out now, in the endpoint's order.
void Connection::flushSync() {
    if (waitingSync_.empty()) return;
    std::string text = std::move(waitingSync_);
    waitingSync_.clear();
    server_->releaseWaitingSync(text.size());
    (void)syncs_.take(Clock::system().monotonic(), kSyncsPerSecond, kSyncsPerSecond);
    flushing_ = true;
    handle(text);
    flushing_ = false;
}

void Connection::enqueue(std::string_view datagram) {
    lastActive_ = Clock::system().monotonic();
    // A closed connection reads nothing more; a full one drops, as UDP may.
    if (stopped_ || datagrams_.pending() >= maxQueued_) return;
    if (datagrams_.runIfIdle([this, datagram] { handle(datagram); })) return;
    datagrams_.async(
        [self = shared_from_this(), copy = std::string(datagram)] { self->handle(copy); });
}

void Connection::handle(std::string_view datagram) {
    if (stopped_) return;
    if (handleDatagram(context_, *this, datagram) == LoopOutcome::Stop) stopped_ = true;
}

Result<> Connection::send(std::string_view text) {
    return server_->sendTo(endpoint_, text);
}

void Connection::cancel() {
    stopped_ = true;
    server_->forget(endpoint_, this);
}

void Connection::cancelAfter(double seconds) {
    stopped_ = true;
    dispatchAfter(server_->network().get_executor(), Seconds(seconds), [self = shared_from_this()] {
        self->server_->forget(self->endpoint_, self.get());
    });
}

void Connection::submitCommand(std::function<void()> task) {
    commands_.async([self = shared_from_this(), task = std::move(task)] { task(); });
}

}  // namespace tarsel
