// The control socket's server: an acceptor on a pool that keeps itself alive
// through its pending accept.
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <asio/local/stream_protocol.hpp>
#include <chrono>
#include <memory>
#include <optional>
#include <string>

#include "runtime/LocalControl.h"

namespace tarsel {
namespace {

using asio::local::stream_protocol;

constexpr std::size_t kLongestRequest = 256;

bool sameUser(stream_protocol::socket& peer) {
    ucred cred{};
    socklen_t size = sizeof cred;
    return getsockopt(peer.native_handle(), SOL_SOCKET, SO_PEERCRED, &cred, &size) == 0 &&
           cred.uid == getuid();
}

// One line of at most kLongestRequest bytes, within a second in all; the
// pool's thread waits no longer (a blocking read would wait for ever).
std::optional<std::string> readLine(int fd) {
    std::string line;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(1);
    while (line.find('\n') == std::string::npos && line.size() <= kLongestRequest) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        pollfd p{fd, POLLIN, 0};
        if (left.count() <= 0 || poll(&p, 1, static_cast<int>(left.count())) <= 0)
            return std::nullopt;
        char buf[kLongestRequest];
        ssize_t n = recv(fd, buf, sizeof buf, MSG_DONTWAIT);
        if (n <= 0) return std::nullopt;
        line.append(buf, static_cast<std::size_t>(n));
    }
    auto end = line.find('\n');
    if (end == std::string::npos) return std::nullopt;
    return line.substr(0, end);
}

void answer(stream_protocol::socket peer, const ControlHandler& handler) {
    if (!sameUser(peer)) return;
    auto line = readLine(peer.native_handle());
    if (!line) return;
    const std::string reply = handler(*line) + "\n";
    (void)send(peer.native_handle(), reply.data(), reply.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
}

struct Acceptor : std::enable_shared_from_this<Acceptor> {
    Acceptor(asio::thread_pool& pool, ControlHandler h) : acceptor(pool), handler(std::move(h)) {}
    void next() {
        acceptor.async_accept(
            [self = shared_from_this()](const asio::error_code& ec, stream_protocol::socket peer) {
                if (ec == asio::error::operation_aborted) return;
                if (!ec) answer(std::move(peer), self->handler);
                self->next();
            });
    }
    stream_protocol::acceptor acceptor;
    ControlHandler handler;
};

}  // namespace

Result<> serveControl(asio::thread_pool& pool, const std::string& path, ControlHandler handler) {
    struct stat st {};
    if (lstat(path.c_str(), &st) == 0 && S_ISSOCK(st.st_mode)) unlink(path.c_str());
    auto server = std::make_shared<Acceptor>(pool, std::move(handler));
    asio::error_code ec;
    server->acceptor.open(stream_protocol(), ec);
    if (!ec) server->acceptor.bind(stream_protocol::endpoint(path), ec);
    if (!ec) server->acceptor.listen(8, ec);
    if (ec) return failure(path + ": " + ec.message());
    chmod(path.c_str(), 0600);
    server->next();
    return {};
}

}  // namespace tarsel
