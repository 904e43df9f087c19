#pragma once
// The browser path's cryptography, all from OpenSSL: HMAC and HKDF over
// SHA-256, X25519, ChaCha20-Poly1305, and base64url for the wire.
#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace tarsel::web {

using Bytes = std::span<const uint8_t>;
using Key = std::array<uint8_t, 32>;
using Digest = std::array<uint8_t, 32>;

inline Bytes bytesOf(std::string_view s) {
    return {reinterpret_cast<const uint8_t*>(s.data()), s.size()};
}

Digest hmacSha256(Bytes key, Bytes data);
// HKDF-SHA256 filling `out`; false only when OpenSSL fails.
bool hkdfSha256(Bytes ikm, Bytes salt, std::string_view info, std::span<uint8_t> out);
// Compares in time independent of where the inputs differ.
bool sameBytes(Bytes a, Bytes b);
// SHA-1 of the WebSocket handshake, base64 as the header wants it.
std::string webSocketAccept(std::string_view clientKey);

// Unpadded base64url; decode refuses any other alphabet or a bad length.
std::string base64url(Bytes data);
std::optional<std::string> base64urlDecode(std::string_view text);
// Into a caller's buffer: the bytes written, none when they do not fit.
std::optional<std::size_t> base64urlInto(Bytes data, std::span<char> out);
std::optional<std::size_t> base64urlDecodeInto(std::string_view text, std::span<uint8_t> out);

// One X25519 key pair, made from the secure random source.
class X25519 {
  public:
    static std::optional<X25519> generate();
    const std::array<uint8_t, 32>& publicKey() const { return public_; }
    // The shared secret with a peer's public key; none for a bad key.
    std::optional<Key> agree(Bytes peerPublic) const;

  private:
    std::array<uint8_t, 32> private_{}, public_{};
};

// ChaCha20-Poly1305 under one key with 64-bit counters as nonces. One OpenSSL
// context made once and reused, so sealing a message allocates nothing.
class Aead {
  public:
    static constexpr std::size_t kTag = 16;
    explicit Aead(const Key& key);
    ~Aead();
    Aead(const Aead&) = delete;
    Aead& operator=(const Aead&) = delete;
    // `out` holds plain.size() + kTag bytes; false when OpenSSL fails.
    bool seal(uint64_t counter, Bytes plain, std::span<uint8_t> out);
    // `out` holds sealed.size() - kTag bytes; false for a bad tag.
    bool open(uint64_t counter, Bytes sealed, std::span<uint8_t> out);

  private:
    struct Context;
    Key key_;
    std::unique_ptr<Context> encrypt_, decrypt_;
};

}  // namespace tarsel::web
