#pragma once
// The messages of a proven connection: each a text frame holding, in
// base64url, an 8-byte big-endian counter and the ChaCha20-Poly1305 seal of
// the message under that direction's session key, the counter as nonce.
// Counters start at 1 and must increase; anything else ends the connection.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "web/PairingKeys.h"

namespace tarsel::web {

class SealedChannel {
  public:
    explicit SealedChannel(const SessionKeys& keys);

    // The message in a browser's frame, valid until the next call; none for
    // a bad encoding, a bad tag or a counter that does not increase.
    std::optional<std::string_view> open(std::string_view frame);
    uint64_t lastCounter() const { return received_; }
    // The frame for a message to the browser, valid until the next call.
    std::string_view seal(std::string_view message);

  private:
    Aead in_, out_;
    uint64_t received_ = 0, sent_ = 0;
    std::unique_ptr<uint8_t[]> sealed_, plain_;  // one message each
    std::string frame_;
};

}  // namespace tarsel::web
