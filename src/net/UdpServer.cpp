#include "net/UdpServer.h"

#include <algorithm>
#include <asio/defer.hpp>
#include <functional>
#include <vector>

#include "net/Connection.h"
#include "net/SecurityGuard.h"
#include "runtime/Clock.h"
#include "runtime/Memory.h"
#include "runtime/Queues.h"
#include "runtime/Text.h"

namespace tarsel {

using asio::ip::udp;

namespace {
constexpr int kReceiveBufferBytes = 4 << 20;
constexpr std::size_t kBatch = 16;
constexpr std::size_t kLargestDatagram = 65536;
}  // namespace

UdpServer::UdpServer(asio::thread_pool& network, uint16_t port, std::string computerName,
                     RequestHandler& requests, PairingWindow& pairing, Limits limits)
    : network_(network),
      requests_(requests),
      pairing_(pairing),
      port_(port),
      computerName_(std::move(computerName)),
      limits_(limits),
      socket_(network.get_executor()),
      storage_(new char[kBatch * kLargestDatagram]),
      slots_(kBatch),
      droppedSyncs_(Clock::system(), 10.0, [](std::size_t n) {
          return tr("⚠️ [Shortcuts] shortcut saves dropped for coming too often: {1}", n);
      }) {
    for (std::size_t i = 0; i < kBatch; ++i) {
        slots_[i].data = storage_.get() + i * kLargestDatagram;
        slots_[i].capacity = kLargestDatagram;
    }
}

UdpServer::~UdpServer() {
    cancel();
}

Result<> UdpServer::bind() {
    std::lock_guard lock(socketMutex_);
    if (bound_) return {};
    asio::error_code ec;
    // No address reuse: a second copy of the agent must not bind beside this one.
    if (!socket_.is_open()) socket_.open(udp::v4(), ec);
    // Room for a burst: the kernel's small default drops a phone's datagram
    // behind a few large ones. The kernel caps the value at its own maximum.
    asio::error_code ignored;
    if (!ec) socket_.set_option(udp::socket::receive_buffer_size(kReceiveBufferBytes), ignored);
    if (!ec) socket_.bind(udp::endpoint(udp::v4(), port_), ec);
    if (ec) return failure(ec.message());
    bound_ = true;
    noteHolder("");
    return {};
}

void UdpServer::noteHolder(std::string who) {
    std::lock_guard lock(holderMutex_);
    holder_ = std::move(who);
}

std::string UdpServer::holder() const {
    std::lock_guard lock(holderMutex_);
    return holder_;
}

void UdpServer::start(std::function<void()> onBound) {
    if (bound_) {
        receiveNext();
        scheduleSweep();
        return;
    }
    std::weak_ptr<UdpServer> weak = weak_from_this();
    dispatchAfter(network_.get_executor(), Seconds(retrySeconds), [weak, onBound] {
        auto self = weak.lock();
        if (!self || self->cancelled_) return;
        if (self->bind()) onBound();
        self->start(onBound);
    });
}

void UdpServer::cancel() {
    if (cancelled_.exchange(true)) return;
    {
        // Never while another thread sends or arms the next receive.
        std::lock_guard socketLock(socketMutex_);
        asio::error_code ec;
        socket_.close(ec);
    }
    std::lock_guard lock(tableMutex_);
    table_.clear();
    closed_.clear();
}

// Waits until datagrams are readable and takes all that wait, a batch per
// system call. Readiness is edge-triggered, so the wait is armed only once the
// socket has been emptied; after a full batch the next one is a continuation
// queued behind the connections' work, so a flood cannot starve them.
void UdpServer::receiveNext() {
    std::lock_guard lock(socketMutex_);
    if (cancelled_) return;
    socket_.async_wait(udp::socket::wait_read,
                       [self = shared_from_this()](const asio::error_code& ec) {
                           if (ec == asio::error::operation_aborted || self->cancelled_) return;
                           self->receiveUntilEmpty();
                       });
}

void UdpServer::receiveUntilEmpty() {
    if (cancelled_) return;
    if (!receiveBatch()) return receiveNext();
    asio::defer(network_, [self = shared_from_this()] { self->receiveUntilEmpty(); });
}

bool UdpServer::receiveBatch() {
    std::size_t n = 0;
    {
        std::lock_guard lock(socketMutex_);
        if (cancelled_) return false;
        n = receiveWaiting(socket_.native_handle(), slots_);
    }
    if (n > 0) heard_ = true;
    for (std::size_t i = 0; i < n; ++i)
        deliver(slots_[i].from, std::string_view(slots_[i].data, slots_[i].size));
    return n == slots_.size();
}

// A stranger's datagram, handled with no state kept: the endpoint gets a
// connection only once a datagram has shown the right PIN, so a flood of
// strangers costs no memory and never waits in line with a phone's datagrams.
class FirstContact : public ConnectionIO {
  public:
    FirstContact(UdpServer& server, const udp::endpoint& from) : server_(server), from_(from) {}
    Result<> send(std::string_view text) override { return server_.sendTo(from_, text); }
    void cancel() override {}  // nothing to close
    void cancelAfter(double seconds) override { server_.closeFor(from_, seconds); }
    void submitCommand(std::function<void()> task) override {
        if (auto connection = server_.connectionFor(from_))
            connection->submitCommand(std::move(task));
    }
    bool runIfIdle(TaskRef task) override {
        auto connection = server_.connectionFor(from_);
        return connection && connection->runIfIdle(task);
    }
    void verified() override { (void)server_.connectionFor(from_); }

  private:
    UdpServer& server_;
    udp::endpoint from_;
};

void UdpServer::deliver(const udp::endpoint& from, std::string_view datagram) {
    if (auto connection = knownConnection(from)) return connection->enqueue(datagram);
    if (isClosed(from)) return;
    FirstContact io(*this, from);
    handleDatagram({getRemoteIP(from), from.port(), computerName_, requests_, pairing_, identity_},
                   io, datagram);
}

// As a closed connection would, for no more than a few bytes: expired entries
// go whenever the map has grown.
void UdpServer::closeFor(const udp::endpoint& from, double seconds) {
    const double now = Clock::system().monotonic();
    std::lock_guard lock(tableMutex_);
    if (closed_.size() >= limits_.maxConnections)
        std::erase_if(closed_, [now](auto& e) { return e.second <= now; });
    if (closed_.size() < limits_.maxConnections) closed_[from] = now + seconds;
}

bool UdpServer::isClosed(const udp::endpoint& from) {
    std::lock_guard lock(tableMutex_);
    auto it = closed_.find(from);
    if (it == closed_.end()) return false;
    if (it->second > Clock::system().monotonic()) return true;
    closed_.erase(it);
    return false;
}

std::shared_ptr<Connection> UdpServer::knownConnection(const udp::endpoint& from) {
    std::lock_guard lock(tableMutex_);
    auto it = table_.find(from);
    return it != table_.end() && !cancelled_ ? it->second : nullptr;
}

std::shared_ptr<Connection> UdpServer::connectionFor(const udp::endpoint& from) {
    std::lock_guard lock(tableMutex_);
    if (cancelled_) return nullptr;
    auto it = table_.find(from);
    if (it != table_.end()) return it->second;
    if (table_.size() >= limits_.maxConnections) makeRoom();
    auto connection = std::make_shared<Connection>(
        shared_from_this(), from,
        ConnectionContext{getRemoteIP(from), from.port(), computerName_, requests_, pairing_,
                          identity_},
        limits_.maxQueuedPerConnection);
    table_.emplace(from, connection);
    return connection;
}

void UdpServer::forget(const udp::endpoint& from, const Connection* which) {
    std::lock_guard lock(tableMutex_);
    auto it = table_.find(from);
    if (it != table_.end() && it->second.get() == which) table_.erase(it);
}

// Full table: forget the least recently active eighth. Their endpoints simply
// get fresh connections when they speak again.
void UdpServer::makeRoom() {
    std::vector<std::pair<double, udp::endpoint>> byAge;
    byAge.reserve(table_.size());
    for (auto& [ep, c] : table_) byAge.emplace_back(c->lastActive(), ep);
    std::size_t drop = std::max<std::size_t>(1, table_.size() / 8);
    std::nth_element(byAge.begin(), byAge.begin() + static_cast<long>(drop - 1), byAge.end(),
                     [](auto& a, auto& b) { return a.first < b.first; });
    for (std::size_t i = 0; i < drop; ++i) table_.erase(byAge[i].second);
}

std::size_t UdpServer::evictIdle() {
    double cutoff = Clock::system().monotonic() - limits_.idleSeconds;
    std::lock_guard lock(tableMutex_);
    std::erase_if(closed_,
                  [now = cutoff + limits_.idleSeconds](auto& e) { return e.second <= now; });
    return std::erase_if(table_, [&](auto& e) { return e.second->lastActive() < cutoff; });
}

void UdpServer::scheduleSweep() {
    std::weak_ptr<UdpServer> weak = weak_from_this();
    dispatchAfter(network_.get_executor(), Seconds(30), [weak] {
        auto self = weak.lock();
        if (!self || self->cancelled_) return;
        auto& guard = SecurityGuard::shared();
        std::size_t tracked = guard.trackedAddresses();
        std::size_t evicted = self->evictIdle();
        guard.sweep();
        // After a flood, give the forgotten entries' memory back.
        if (evicted > 0 || guard.trackedAddresses() < tracked) releaseFreeMemory();
        self->scheduleSweep();
    });
}

bool UdpServer::holdWaitingSync(std::size_t bytes) {
    if (waitingSyncBytes_ + bytes > kWaitingSyncBytes) {
        droppedSyncs_.count();
        return false;
    }
    waitingSyncBytes_ += bytes;
    return true;
}

void UdpServer::releaseWaitingSync(std::size_t bytes) {
    waitingSyncBytes_ -= bytes;
}

Result<> UdpServer::sendTo(const udp::endpoint& to, std::string_view data) {
    asio::error_code ec;
    std::lock_guard lock(socketMutex_);
    if (cancelled_) return failure("cancelled");
    socket_.send_to(asio::buffer(data.data(), data.size()), to, 0, ec);
    if (ec) return failure(ec.message());
    return {};
}

}  // namespace tarsel
