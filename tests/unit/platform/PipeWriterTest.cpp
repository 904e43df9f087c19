#include "platform/posix/PipeWriter.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <asio/io_context.hpp>
#include <chrono>
#include <optional>

namespace tarsel {
namespace {

// A paste's read ends when the reader has taken the last byte, not when the
// text is in the pipe: only then is the pipe closed and the end told.
TEST(PipeWriter, TheEndIsToldWhenTheReaderHasTakenTheLastByte) {
    asio::io_context io;
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    UniqueFd reader(fds[0]);
    std::optional<bool> told;
    writeThenClose(io.get_executor(), UniqueFd(fds[1]), "hello", [&](bool ok) { told = ok; });
    io.run_for(std::chrono::milliseconds(30));
    EXPECT_FALSE(told.has_value());  // in the pipe, not yet read
    char got[8] = {};
    ASSERT_EQ(read(reader.get(), got, 3), 3);
    io.run_for(std::chrono::milliseconds(30));
    EXPECT_FALSE(told.has_value());
    ASSERT_EQ(read(reader.get(), got + 3, 5), 2);
    io.run_for(std::chrono::milliseconds(30));
    EXPECT_EQ(told, std::optional(true));
    EXPECT_EQ(read(reader.get(), got, 1), 0);  // then the end of file
    EXPECT_STREQ(got, "hello");

    // A reader that goes away with the text unread ends it too.
    ASSERT_EQ(pipe(fds), 0);
    told.reset();
    writeThenClose(io.get_executor(), UniqueFd(fds[1]), "bye", [&](bool ok) { told = ok; });
    io.restart();
    io.run_for(std::chrono::milliseconds(10));
    close(fds[0]);
    io.run_for(std::chrono::milliseconds(30));
    EXPECT_TRUE(told.has_value());
}

}  // namespace
}  // namespace tarsel
