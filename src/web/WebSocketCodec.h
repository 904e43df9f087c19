#pragma once
// One WebSocket connection's frames, by wslay: bytes read from the socket go
// in, whole text messages come out (assembled in one fixed 64 KiB buffer,
// nothing allocated per message), and the bytes to write collect in `output`.
// Binary messages, oversized ones and invalid UTF-8 end the connection with
// the close code that says why.
#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

struct wslay_event_context;

namespace tarsel::web {

class WebSocketCodec {
  public:
    static constexpr std::size_t kLargestMessage = 64 * 1024;
    // Called with each whole text message; the view lives until it returns.
    using OnMessage = std::function<void(std::string_view text)>;

    explicit WebSocketCodec(OnMessage onMessage);
    ~WebSocketCodec();
    WebSocketCodec(const WebSocketCodec&) = delete;
    WebSocketCodec& operator=(const WebSocketCodec&) = delete;

    // Takes what the socket read; false once the connection is to close.
    bool feed(const char* data, std::size_t size);
    void sendText(std::string_view text);
    // Starts the closing handshake with `code` (1000 normal, 1008 policy…).
    void close(uint16_t code, std::string_view reason);
    // Moves what wslay has to send into `output`.
    void flush();
    std::string& output() { return output_; }
    // Nothing more will be read or written: the socket may close once
    // `output` is written.
    bool finished() const;
    // Why it ended, for the log ("" while open or after a normal close).
    const std::string& failure() const { return failure_; }

  private:
    struct Callbacks;
    void fail(uint16_t code, const char* why);

    wslay_event_context* ctx_ = nullptr;
    OnMessage onMessage_;
    std::unique_ptr<char[]> message_;  // untouched until a message arrives
    std::size_t length_ = 0;
    bool inText_ = false, refused_ = false;
    bool dataFrame_ = false, fin_ = false;  // of the frame being read
    const char* input_ = nullptr;
    std::size_t inputLeft_ = 0;
    std::string output_;
    std::string failure_;
};

}  // namespace tarsel::web
