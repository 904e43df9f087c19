// Frames as a browser sends them, and the refusals of those it must not.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "web/WebSocketCodec.h"

namespace tarsel::web {
namespace {

std::string frame(uint8_t opcode, std::string_view payload, bool fin = true, bool masked = true) {
    std::string out(1, static_cast<char>((fin ? 0x80 : 0) | opcode));
    const uint8_t mask = masked ? 0x80 : 0;
    if (payload.size() < 126) {
        out += static_cast<char>(mask | payload.size());
    } else if (payload.size() < 65536) {
        out += static_cast<char>(mask | 126);
        out += static_cast<char>(payload.size() >> 8);
        out += static_cast<char>(payload.size() & 0xff);
    } else {
        out += static_cast<char>(mask | 127);
        for (int i = 7; i >= 0; --i) out += static_cast<char>((payload.size() >> (8 * i)) & 0xff);
    }
    const char key[4] = {0x12, 0x34, 0x56, 0x78};
    if (masked) out.append(key, 4);
    for (std::size_t i = 0; i < payload.size(); ++i)
        out += masked ? static_cast<char>(payload[i] ^ key[i % 4]) : payload[i];
    return out;
}

// The close code of the first close frame the codec wrote, 0 for none.
int closeCode(const std::string& output) {
    for (std::size_t i = 0; i + 3 < output.size(); i += 2 + static_cast<uint8_t>(output[i + 1])) {
        if ((output[i] & 0x0f) == 0x8)
            return static_cast<uint8_t>(output[i + 2]) << 8 | static_cast<uint8_t>(output[i + 3]);
    }
    return 0;
}

TEST(WebSocketCodecTest, AssemblesFragmentedTextAroundControlFramesFromAnySplit) {
    std::vector<std::string> got;
    WebSocketCodec codec([&](std::string_view m) { got.emplace_back(m); });
    const std::string bytes = frame(0x1, "안녕", false) + frame(0x9, "ping") +
                              frame(0x0, "하세요") + frame(0x1, "{\"type\":\"click\"}");
    for (char c : bytes) ASSERT_TRUE(codec.feed(&c, 1));  // a byte at a time
    EXPECT_EQ(got, (std::vector<std::string>{"안녕하세요", "{\"type\":\"click\"}"}));
    EXPECT_EQ(static_cast<uint8_t>(codec.output()[0]), 0x8a) << "the ping is answered";
    codec.sendText("pong");
    codec.flush();
    EXPECT_NE(codec.output().find("pong"), std::string::npos);
}

TEST(WebSocketCodecTest, RefusesWhatABrowserNeverSendsWithItsCloseCode) {
    const std::string big(WebSocketCodec::kLargestMessage + 1, 'a');
    struct Case {
        const char* what;
        std::string bytes;
        int code;
    };
    const Case cases[] = {
        {"binary", frame(0x2, "ab"), 1003},
        {"unmasked", frame(0x1, "ab", true, false), 1002},
        {"too big", frame(0x1, big), 1009},
        {"too big in pieces",
         frame(0x1, big.substr(0, 40000), false) + frame(0x0, big.substr(40000)), 1009},
        {"not UTF-8", frame(0x1, "\xff\xfe"), 1007},
        {"continuation first", frame(0x0, "ab"), 1002},
        {"close reason not UTF-8", frame(0x8, std::string("\x03\xe8\xff", 3)), 1007},
        {"close mid-message", frame(0x1, "ab", false) + frame(0x8, std::string("\x03\xe8", 2)),
         1000},
    };
    for (const auto& c : cases) {
        int messages = 0;
        WebSocketCodec codec([&](std::string_view) { ++messages; });
        codec.feed(c.bytes.data(), c.bytes.size());
        EXPECT_EQ(messages, 0) << c.what;
        EXPECT_EQ(closeCode(codec.output()), c.code) << c.what;
        codec.output().clear();
        const std::string more = frame(0x1, "later");
        EXPECT_FALSE(codec.feed(more.data(), more.size()) && messages) << c.what;
    }
}

}  // namespace
}  // namespace tarsel::web
