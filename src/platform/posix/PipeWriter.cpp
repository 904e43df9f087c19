#include "platform/posix/PipeWriter.h"

#include <poll.h>
#include <sys/ioctl.h>

#include <asio/buffer.hpp>
#include <asio/posix/stream_descriptor.hpp>
#include <asio/steady_timer.hpp>
#include <asio/write.hpp>
#include <chrono>
#include <memory>

namespace tarsel {
namespace {

using std::chrono::milliseconds;

// How often, and how long at most, the pipe is watched for its reader to take
// the last byte.
constexpr milliseconds kDrainStep{1};
constexpr int kDrainSteps = 500;

struct Transfer {
    asio::posix::stream_descriptor stream;
    asio::steady_timer timer;
    std::string data;
    std::function<void(bool)> done;
};

// Bytes still in the pipe; 0 too when the reader has gone.
int unread(int fd) {
    pollfd p{fd, 0, 0};
    if (poll(&p, 1, 0) == 1 && (p.revents & POLLERR) != 0) return 0;
    int bytes = 0;
    return ioctl(fd, FIONREAD, &bytes) == 0 ? bytes : 0;
}

void finish(const std::shared_ptr<Transfer>& t, bool written) {
    t->stream.close();
    if (t->done) t->done(written);
}

// The text is not read until the reader has taken the last byte: only then is
// the pipe closed (the reader's end of file) and `done` told.
void awaitDrain(const std::shared_ptr<Transfer>& t, int stepsLeft) {
    if (stepsLeft == 0 || unread(t->stream.native_handle()) == 0) return finish(t, true);
    t->timer.expires_after(kDrainStep);
    t->timer.async_wait([t, stepsLeft](const asio::error_code&) { awaitDrain(t, stepsLeft - 1); });
}

}  // namespace

void writeThenClose(const asio::any_io_executor& executor, UniqueFd pipe, std::string text,
                    std::function<void(bool written)> done) {
    auto t = std::make_shared<Transfer>(
        Transfer{asio::posix::stream_descriptor(executor, pipe.release()),
                 asio::steady_timer(executor), std::move(text), std::move(done)});
    asio::async_write(t->stream, asio::buffer(t->data),
                      [t](const asio::error_code& error, std::size_t) {
                          if (error) return finish(t, false);
                          awaitDrain(t, kDrainSteps);
                      });
}

}  // namespace tarsel
