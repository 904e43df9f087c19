#pragma once
// Hands text to a reader through a pipe without ever waiting for the reader:
// the writes happen on `executor` as the pipe takes them; once the reader has
// taken the last byte (at most 0.5 s later) the pipe is closed and `done` told
// whether all of it went. A reader that goes away ends it quietly.
#include <asio/any_io_executor.hpp>
#include <functional>
#include <string>

#include "platform/posix/UniqueFd.h"

namespace tarsel {

void writeThenClose(const asio::any_io_executor& executor, UniqueFd pipe, std::string text,
                    std::function<void(bool written)> done = {});

}  // namespace tarsel
