// The control socket's server: an acceptor on a pool that keeps itself alive
// through its pending accept.
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <asio/local/stream_protocol.hpp>
#include <asio/read_until.hpp>
#include <asio/streambuf.hpp>
#include <asio/write.hpp>
#include <memory>

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

// A client gets a second to send its line; the pool's thread may wait that long.
void answer(stream_protocol::socket peer, const ControlHandler& handler) {
    if (!sameUser(peer)) return;
    timeval limit{1, 0};
    setsockopt(peer.native_handle(), SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
    asio::streambuf in(kLongestRequest);
    asio::error_code ec;
    std::size_t n = asio::read_until(peer, in, '\n', ec);
    if (ec || n == 0) return;
    std::string line(asio::buffers_begin(in.data()), asio::buffers_begin(in.data()) + n - 1);
    std::string reply = handler(line) + "\n";
    asio::write(peer, asio::buffer(reply), ec);
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
