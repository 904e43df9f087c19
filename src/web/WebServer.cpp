#include "web/WebServer.h"

#include <asio/post.hpp>

#include "runtime/Log.h"
#include "runtime/Text.h"
#include "web/WebConnection.h"

namespace tarsel::web {
namespace {

// A browser reconnecting once a second always gets in; a host opening
// connections faster is paced.
constexpr RateLimiter::Rates kNewConnections{2.0, 30.0, 200.0, 400.0, 4096};
constexpr RateLimiter::Rates kApprovalRequests{0.2, 3.0, 2.0, 10.0, 1024};

std::string addressOf(const asio::ip::tcp::socket& socket) {
    asio::error_code ec;
    auto address = socket.remote_endpoint(ec).address();
    if (ec) return "";
    if (address.is_v6() && address.to_v6().is_v4_mapped())
        return asio::ip::make_address_v4(asio::ip::v4_mapped, address.to_v6()).to_string();
    return address.to_string();
}

}  // namespace

WebServer::WebServer(asio::thread_pool& network, uint16_t port, WebServices services,
                     WebLimits limits)
    : network_(network),
      port_(port),
      services_(std::move(services)),
      limits_(limits),
      acceptor_(network),
      retry_(network),
      newConnections_(Clock::system(), kNewConnections),
      approvalRequests_(Clock::system(), kApprovalRequests) {}

WebServer::~WebServer() = default;

Result<> WebServer::bind() {
    if (bound_) return {};
    asio::error_code ec;
    acceptor_.open(asio::ip::tcp::v4(), ec);
    if (!ec) acceptor_.set_option(asio::socket_base::reuse_address(true), ec);
    if (!ec) acceptor_.bind({asio::ip::address_v4::any(), port_}, ec);
    if (!ec) acceptor_.listen(asio::socket_base::max_listen_connections, ec);
    if (ec) {
        asio::error_code ignored;
        acceptor_.close(ignored);
        return failure(ec.message());
    }
    bound_ = true;
    std::lock_guard lock(holderMutex_);
    holder_.clear();
    return {};
}

void WebServer::start(std::function<void()> onBound) {
    asio::post(network_, [self = shared_from_this(), onBound = std::move(onBound)] {
        if (self->bound_) return self->acceptNext();
        self->retryBind(onBound);
    });
}

void WebServer::retryBind(std::function<void()> onBound) {
    retry_.expires_after(std::chrono::seconds(static_cast<int>(kRetrySeconds)));
    retry_.async_wait([self = shared_from_this(), onBound](const asio::error_code& ec) {
        if (ec || self->cancelled_) return;
        if (!self->bind()) return self->retryBind(onBound);
        if (onBound) onBound();
        self->acceptNext();
    });
}

void WebServer::acceptNext() {
    acceptor_.async_accept(
        [self = shared_from_this()](const asio::error_code& ec, asio::ip::tcp::socket socket) {
            if (self->cancelled_) return;
            if (ec == asio::error::no_descriptors || ec == asio::error::no_buffer_space ||
                ec == asio::error::no_memory) {
                // Out of descriptors: wait instead of spinning on the same error.
                self->retry_.expires_after(std::chrono::milliseconds(500));
                self->retry_.async_wait([self](const asio::error_code& e) {
                    if (!e && !self->cancelled_) self->acceptNext();
                });
                return;
            }
            if (!ec) self->accepted(std::move(socket));
            self->acceptNext();
        });
}

// The oldest connection still proving itself gives way to a newcomer.
void WebServer::accepted(asio::ip::tcp::socket socket) {
    const std::string address = addressOf(socket);
    heard_ = true;
    if (address.empty() || !newConnections_.allow(address)) return;
    // A pong or an acknowledgement must not wait for the browser's delayed ACK.
    asio::error_code ec;
    socket.set_option(asio::ip::tcp::no_delay(true), ec);
    std::size_t unproven = 0;
    std::shared_ptr<WebConnection> oldest;
    for (auto it = connections_.begin(); it != connections_.end();) {
        auto c = it->lock();
        if (!c || c->isClosed()) {
            it = connections_.erase(it);
            continue;
        }
        if (!c->isProven() && ++unproven == 1) oldest = c;
        ++it;
    }
    if (unproven >= limits_.unproven && oldest) oldest->close();
    auto connection =
        std::make_shared<WebConnection>(shared_from_this(), std::move(socket), address);
    connections_.push_back(connection);
    connection->start();
}

// One live connection per browser: the newer one wins.
bool WebServer::proven(WebConnection& which) {
    std::size_t proven = 0;
    for (auto& weak : connections_) {
        auto c = weak.lock();
        if (!c || c.get() == &which || !c->isProven() || c->isClosed()) continue;
        if (c->browserId() == which.browserId())
            c->close(1000);
        else
            ++proven;
    }
    return proven < limits_.proven;
}

void WebServer::closed(WebConnection& which) {
    connections_.remove_if([&](const std::weak_ptr<WebConnection>& weak) {
        auto c = weak.lock();
        return !c || c.get() == &which;
    });
}

bool WebServer::mayAsk(const std::string& address) {
    return approvalRequests_.allow(address);
}

void WebServer::disconnect(const std::string& browserId) {
    asio::post(network_, [self = shared_from_this(), browserId] {
        for (auto& weak : std::list(self->connections_))
            if (auto c = weak.lock(); c && c->isProven() && c->browserId() == browserId) {
                logLine(tr("🌐 [Web] closing a forgotten browser's connection ({1})", c->address()));
                c->close(1008);
            }
    });
}

void WebServer::cancel() {
    cancelled_ = true;
    asio::post(network_, [self = shared_from_this()] {
        asio::error_code ec;
        self->retry_.cancel();
        self->acceptor_.close(ec);
        for (auto& weak : std::list(self->connections_))
            if (auto c = weak.lock()) c->close();
    });
}

void WebServer::noteHolder(std::string who) {
    std::lock_guard lock(holderMutex_);
    holder_ = std::move(who);
}

std::string WebServer::holder() const {
    std::lock_guard lock(holderMutex_);
    return holder_;
}

}  // namespace tarsel::web
