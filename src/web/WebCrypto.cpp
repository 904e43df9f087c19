#include "web/WebCrypto.h"

#include <openssl/crypto.h>
#include <openssl/evp.h>
#include <openssl/hmac.h>
#include <openssl/kdf.h>
#include <openssl/rand.h>

#include <algorithm>

namespace tarsel::web {
namespace {

char toUrl(char c) {
    return c == '+' ? '-' : c == '/' ? '_' : c;
}
char fromUrl(char c) {
    return c == '-' ? '+' : c == '_' ? '/' : c;
}

bool isUrlAlphabet(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
           c == '_';
}

struct PkeyCtx {
    EVP_PKEY_CTX* p;
    ~PkeyCtx() { EVP_PKEY_CTX_free(p); }
};
struct Pkey {
    EVP_PKEY* p;
    ~Pkey() { EVP_PKEY_free(p); }
};

}  // namespace

Digest hmacSha256(Bytes key, Bytes data) {
    Digest out{};
    unsigned int length = 0;
    HMAC(EVP_sha256(), key.data(), static_cast<int>(key.size()), data.data(), data.size(),
         out.data(), &length);
    return out;
}

bool hkdfSha256(Bytes ikm, Bytes salt, std::string_view info, std::span<uint8_t> out) {
    PkeyCtx ctx{EVP_PKEY_CTX_new_id(EVP_PKEY_HKDF, nullptr)};
    const auto* infoBytes = reinterpret_cast<const unsigned char*>(info.data());
    std::size_t length = out.size();
    return ctx.p && EVP_PKEY_derive_init(ctx.p) > 0 &&
           EVP_PKEY_CTX_set_hkdf_md(ctx.p, EVP_sha256()) > 0 &&
           // No salt is a salt of zeros, as the page's HKDF takes it.
           (salt.empty() ||
            EVP_PKEY_CTX_set1_hkdf_salt(ctx.p, salt.data(), static_cast<int>(salt.size())) > 0) &&
           EVP_PKEY_CTX_set1_hkdf_key(ctx.p, ikm.data(), static_cast<int>(ikm.size())) > 0 &&
           EVP_PKEY_CTX_add1_hkdf_info(ctx.p, infoBytes, static_cast<int>(info.size())) > 0 &&
           EVP_PKEY_derive(ctx.p, out.data(), &length) > 0 && length == out.size();
}

bool sameBytes(Bytes a, Bytes b) {
    return a.size() == b.size() && CRYPTO_memcmp(a.data(), b.data(), a.size()) == 0;
}

std::string webSocketAccept(std::string_view clientKey) {
    std::string input(clientKey);
    input += "258EAFA5-E914-47DA-95CA-C5AB0DC85B11";
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    EVP_Digest(input.data(), input.size(), digest, &length, EVP_sha1(), nullptr);
    std::string out(4 * ((length + 2) / 3) + 1, '\0');
    out.resize(static_cast<std::size_t>(
        EVP_EncodeBlock(reinterpret_cast<unsigned char*>(out.data()), digest, length)));
    return out;
}

std::optional<std::size_t> base64urlInto(Bytes data, std::span<char> out) {
    const std::size_t padded = 4 * ((data.size() + 2) / 3);
    if (out.size() < padded + 1) return std::nullopt;
    auto* text = reinterpret_cast<unsigned char*>(out.data());
    std::size_t n =
        static_cast<std::size_t>(EVP_EncodeBlock(text, data.data(), static_cast<int>(data.size())));
    while (n > 0 && out[n - 1] == '=') --n;
    std::transform(out.data(), out.data() + n, out.data(), toUrl);
    return n;
}

std::string base64url(Bytes data) {
    std::string out(4 * ((data.size() + 2) / 3) + 1, '\0');
    out.resize(base64urlInto(data, out).value_or(0));
    return out;
}

// Decoded a block of at most 64 characters at a time, on the stack, so a
// message of any size needs no copy of its text.
std::optional<std::size_t> base64urlDecodeInto(std::string_view text, std::span<uint8_t> out) {
    if (text.size() % 4 == 1 || !std::all_of(text.begin(), text.end(), isUrlAlphabet))
        return std::nullopt;
    const std::size_t total = text.size() / 4 * 3 + (text.size() % 4 ? text.size() % 4 - 1 : 0);
    if (out.size() < total) return std::nullopt;
    std::size_t written = 0;
    for (std::size_t at = 0; at < text.size(); at += 64) {
        const std::size_t n = std::min<std::size_t>(64, text.size() - at);
        unsigned char block[64];
        unsigned char decoded[48];
        std::transform(text.data() + at, text.data() + at + n, block, fromUrl);
        std::size_t padded = n;
        while (padded % 4) block[padded++] = '=';
        if (EVP_DecodeBlock(decoded, block, static_cast<int>(padded)) < 0) return std::nullopt;
        const std::size_t got = n / 4 * 3 + (n % 4 ? n % 4 - 1 : 0);
        std::copy(decoded, decoded + got, out.data() + written);
        written += got;
    }
    return written;
}

std::optional<std::string> base64urlDecode(std::string_view text) {
    std::string out(text.size() / 4 * 3 + 3, '\0');
    auto n = base64urlDecodeInto(text, {reinterpret_cast<uint8_t*>(out.data()), out.size()});
    if (!n) return std::nullopt;
    out.resize(*n);
    return out;
}

std::optional<X25519> X25519::generate() {
    X25519 pair;
    if (RAND_bytes(pair.private_.data(), 32) != 1) return std::nullopt;
    Pkey key{EVP_PKEY_new_raw_private_key(EVP_PKEY_X25519, nullptr, pair.private_.data(), 32)};
    std::size_t length = 32;
    if (!key.p || EVP_PKEY_get_raw_public_key(key.p, pair.public_.data(), &length) != 1)
        return std::nullopt;
    return pair;
}

std::optional<Key> X25519::agree(Bytes peerPublic) const {
    if (peerPublic.size() != 32) return std::nullopt;
    Pkey mine{EVP_PKEY_new_raw_private_key(EVP_PKEY_X25519, nullptr, private_.data(), 32)};
    Pkey peer{EVP_PKEY_new_raw_public_key(EVP_PKEY_X25519, nullptr, peerPublic.data(), 32)};
    if (!mine.p || !peer.p) return std::nullopt;
    PkeyCtx ctx{EVP_PKEY_CTX_new(mine.p, nullptr)};
    Key shared{};
    std::size_t length = shared.size();
    // OpenSSL refuses a small-order peer key, whose secret would be all zeros.
    if (!ctx.p || EVP_PKEY_derive_init(ctx.p) <= 0 ||
        EVP_PKEY_derive_set_peer(ctx.p, peer.p) <= 0 ||
        EVP_PKEY_derive(ctx.p, shared.data(), &length) <= 0 || length != 32)
        return std::nullopt;
    return shared;
}

struct Aead::Context {
    EVP_CIPHER_CTX* ctx = EVP_CIPHER_CTX_new();
    ~Context() { EVP_CIPHER_CTX_free(ctx); }
};

namespace {
std::array<uint8_t, 12> nonceOf(uint64_t counter) {
    std::array<uint8_t, 12> nonce{};
    for (int i = 0; i < 8; ++i) nonce[4 + i] = static_cast<uint8_t>(counter >> (56 - 8 * i));
    return nonce;
}
}  // namespace

Aead::Aead(const Key& key)
    : key_(key), encrypt_(std::make_unique<Context>()), decrypt_(std::make_unique<Context>()) {
    EVP_EncryptInit_ex(encrypt_->ctx, EVP_chacha20_poly1305(), nullptr, key_.data(), nullptr);
    EVP_DecryptInit_ex(decrypt_->ctx, EVP_chacha20_poly1305(), nullptr, key_.data(), nullptr);
}

Aead::~Aead() {
    OPENSSL_cleanse(key_.data(), key_.size());
}

bool Aead::seal(uint64_t counter, Bytes plain, std::span<uint8_t> out) {
    if (out.size() < plain.size() + kTag) return false;
    auto* c = encrypt_->ctx;
    const auto nonce = nonceOf(counter);
    int n = 0, tail = 0;
    return EVP_EncryptInit_ex(c, nullptr, nullptr, nullptr, nonce.data()) == 1 &&
           EVP_EncryptUpdate(c, out.data(), &n, plain.data(), static_cast<int>(plain.size())) ==
               1 &&
           EVP_EncryptFinal_ex(c, out.data() + n, &tail) == 1 &&
           EVP_CIPHER_CTX_ctrl(c, EVP_CTRL_AEAD_GET_TAG, kTag, out.data() + plain.size()) == 1;
}

bool Aead::open(uint64_t counter, Bytes sealed, std::span<uint8_t> out) {
    if (sealed.size() < kTag || out.size() < sealed.size() - kTag) return false;
    auto* c = decrypt_->ctx;
    const auto nonce = nonceOf(counter);
    const std::size_t length = sealed.size() - kTag;
    auto* tag = const_cast<uint8_t*>(sealed.data() + length);
    int n = 0, tail = 0;
    return EVP_DecryptInit_ex(c, nullptr, nullptr, nullptr, nonce.data()) == 1 &&
           EVP_DecryptUpdate(c, out.data(), &n, sealed.data(), static_cast<int>(length)) == 1 &&
           EVP_CIPHER_CTX_ctrl(c, EVP_CTRL_AEAD_SET_TAG, kTag, tag) == 1 &&
           EVP_DecryptFinal_ex(c, out.data() + n, &tail) == 1;
}

}  // namespace tarsel::web
