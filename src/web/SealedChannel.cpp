#include "web/SealedChannel.h"

#include "web/WebSocketCodec.h"

namespace tarsel::web {
namespace {
constexpr std::size_t kCounter = 8;
constexpr std::size_t kBuffer = WebSocketCodec::kLargestMessage;
}  // namespace

SealedChannel::SealedChannel(const SessionKeys& keys)
    : in_(keys.toAgent),
      out_(keys.toBrowser),
      sealed_(std::make_unique<uint8_t[]>(kBuffer)),
      plain_(std::make_unique<uint8_t[]>(kBuffer)) {}

std::optional<std::string_view> SealedChannel::open(std::string_view frame) {
    auto n = base64urlDecodeInto(frame, {sealed_.get(), kBuffer});
    if (!n || *n < kCounter + Aead::kTag) return std::nullopt;
    uint64_t counter = 0;
    for (std::size_t i = 0; i < kCounter; ++i) counter = counter << 8 | sealed_[i];
    if (counter <= received_) return std::nullopt;
    const Bytes body{sealed_.get() + kCounter, *n - kCounter};
    if (!in_.open(counter, body, {plain_.get(), kBuffer})) return std::nullopt;
    received_ = counter;
    return std::string_view(reinterpret_cast<const char*>(plain_.get()), body.size() - Aead::kTag);
}

// Messages to the browser are the agent's own and small (a layout comes in
// chunks of a datagram's size), so the sealed bytes always fit.
std::string_view SealedChannel::seal(std::string_view message) {
    const std::size_t length = kCounter + message.size() + Aead::kTag;
    if (length > kBuffer) return {};
    const uint64_t counter = ++sent_;
    for (std::size_t i = 0; i < kCounter; ++i)
        sealed_[i] = static_cast<uint8_t>(counter >> (56 - 8 * i));
    if (!out_.seal(counter, bytesOf(message), {sealed_.get() + kCounter, kBuffer - kCounter}))
        return {};
    frame_.resize(4 * ((length + 2) / 3) + 1);
    frame_.resize(base64urlInto({sealed_.get(), length}, frame_).value_or(0));
    return frame_;
}

}  // namespace tarsel::web
