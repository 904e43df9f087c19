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
    server_->releaseWaitingSync(waitingBytes_);
}

bool Connection::deferSync(std::string_view text, unsigned sections) {
    if (flushing_) return false;
    const double now = Clock::system().monotonic();
    if (waitingSyncs_.empty() && syncs_.take(now, kSyncsPerSecond, kSyncsPerSecond)) return false;
    // A save replaces sections whole: a waiting one whose every section this
    // one carries would only be overwritten, so it is never parsed.
    for (auto it = waitingSyncs_.begin(); it != waitingSyncs_.end();)
        it = (it->sections & ~sections) == 0 ? dropSync(it) : it + 1;
    if (!server_->holdWaitingSync(text.size())) return true;  // dropped, and counted
    waitingSyncs_.push_back({std::string(text), sections});
    waitingBytes_ += text.size();
    // Past its share the endpoint's oldest waiting save gives way.
    while (waitingBytes_ > kWaitingSyncBytes && waitingSyncs_.size() > 1)
        dropSync(waitingSyncs_.begin());
    armFlush();
    return true;
}

void Connection::beforeFetch() {
    while (!waitingSyncs_.empty()) flushSync();
}

// One waiting save each turn of the budget, in the endpoint's order.
void Connection::armFlush() {
    if (flushArmed_ || waitingSyncs_.empty()) return;
    flushArmed_ = true;
    dispatchAfter(server_->network().get_executor(), Seconds(1.0 / kSyncsPerSecond),
                  [self = shared_from_this()] {
                      self->flushArmed_ = false;
                      self->datagrams_.async([self] {
                          self->flushSync();
                          self->armFlush();
                      });
                  });
}

void Connection::flushSync() {
    if (waitingSyncs_.empty()) return;
    std::string text = std::move(waitingSyncs_.front().text);
    waitingSyncs_.pop_front();
    waitingBytes_ -= text.size();
    server_->releaseWaitingSync(text.size());
    (void)syncs_.take(Clock::system().monotonic(), kSyncsPerSecond, kSyncsPerSecond);
    flushing_ = true;
    handle(text);
    flushing_ = false;
}

std::deque<Connection::WaitingSync>::iterator Connection::dropSync(
    std::deque<WaitingSync>::iterator which) {
    const std::size_t bytes = which->text.size();
    waitingBytes_ -= bytes;
    server_->releaseWaitingSync(bytes);
    server_->countDroppedSync();
    return waitingSyncs_.erase(which);
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
