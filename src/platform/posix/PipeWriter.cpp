#include "platform/posix/PipeWriter.h"

#include <asio/buffer.hpp>
#include <asio/posix/stream_descriptor.hpp>
#include <asio/write.hpp>
#include <memory>

namespace tarsel {

void writeThenClose(const asio::any_io_executor& executor, UniqueFd pipe, std::string text,
                    std::function<void(bool written)> done) {
    auto stream = std::make_shared<asio::posix::stream_descriptor>(executor, pipe.release());
    auto data = std::make_shared<std::string>(std::move(text));
    asio::async_write(*stream, asio::buffer(*data),
                      [stream, data, done](const asio::error_code& error, std::size_t) {
                          stream->close();
                          if (done) done(!error);
                      });
}

}  // namespace tarsel
