#include "net/Connection.h"

#include <asio/defer.hpp>
#include <asio/post.hpp>

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
      receiveStrand_(asio::make_strand(server_->network())),
      commandStrand_(asio::make_strand(server_->network())),
      lastActive_(Clock::system().monotonic()) {}

void Connection::enqueue(std::string datagram) {
    lastActive_ = Clock::system().monotonic();
    std::lock_guard lock(mutex_);
    // A closed connection reads nothing more; a full one drops, as UDP may.
    if (stopped_ || queue_.size() >= maxQueued_) return;
    queue_.push_back(std::move(datagram));
    if (handling_) return;
    handling_ = true;
    // A continuation of the receive: the same thread handles it as soon as the
    // receive has been re-armed, without waking another thread.
    asio::defer(receiveStrand_, [self = shared_from_this()] { self->handleNext(); });
}

void Connection::handleNext() {
    std::string datagram;
    {
        std::lock_guard lock(mutex_);
        if (queue_.empty() || stopped_) {
            handling_ = false;
            return;
        }
        datagram = std::move(queue_.front());
        queue_.pop_front();
    }
    LoopOutcome outcome = handleDatagram(context_, *this, std::string_view(datagram));
    std::lock_guard lock(mutex_);
    if (outcome == LoopOutcome::Stop) {
        stopped_ = true;
        queue_.clear();
    }
    if (queue_.empty()) {
        handling_ = false;
        return;
    }
    // One datagram per turn, so a busy phone cannot hold a pool thread.
    asio::defer(receiveStrand_, [self = shared_from_this()] { self->handleNext(); });
}

std::string Connection::send(std::string_view text) {
    return server_->sendTo(endpoint_, text);
}

void Connection::cancel() {
    {
        std::lock_guard lock(mutex_);
        stopped_ = true;
    }
    server_->forget(endpoint_, this);
}

void Connection::cancelAfter(double seconds) {
    {
        std::lock_guard lock(mutex_);
        stopped_ = true;
    }
    dispatchAfter(server_->network().get_executor(), Seconds(seconds), [self = shared_from_this()] {
        self->server_->forget(self->endpoint_, self.get());
    });
}

void Connection::submitCommand(std::function<void()> task) {
    asio::defer(commandStrand_, [self = shared_from_this(), task = std::move(task)] { task(); });
}

}  // namespace tarsel
