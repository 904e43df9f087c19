#include "web/PairingKeys.h"

#include <cstdio>
#include <string_view>
#include <vector>

namespace tarsel::web {
namespace {

std::vector<uint8_t> joined(std::string_view label, Bytes a, Bytes b) {
    std::vector<uint8_t> out(label.begin(), label.end());
    out.insert(out.end(), a.begin(), a.end());
    out.insert(out.end(), b.begin(), b.end());
    return out;
}

}  // namespace

std::optional<TokenKeys> keysFromToken(Bytes token) {
    TokenKeys keys;
    std::array<uint8_t, 16> id{};
    if (!hkdfSha256(token, {}, "tarsel pair id", id) ||
        !hkdfSha256(token, {}, "tarsel browser key", keys.key))
        return std::nullopt;
    keys.pairId = base64url(id);
    return keys;
}

std::optional<ExchangeKeys> keysFromExchange(const Key& shared, Bytes browserPublic,
                                             Bytes agentPublic) {
    const auto salt = joined("", browserPublic, agentPublic);
    ExchangeKeys keys;
    std::array<uint8_t, 4> code{};
    if (!hkdfSha256(shared, salt, "tarsel browser key", keys.key) ||
        !hkdfSha256(shared, salt, "tarsel pairing code", code))
        return std::nullopt;
    const uint32_t n =
        (uint32_t{code[0]} << 24 | uint32_t{code[1]} << 16 | uint32_t{code[2]} << 8 | code[3]) %
        1000000;
    char text[8];
    std::snprintf(text, sizeof text, "%06u", n);
    keys.code = text;
    return keys;
}

Digest browserProof(const Key& key, Bytes agentNonce, Bytes browserNonce) {
    return hmacSha256(key, joined("tarsel browser proof", agentNonce, browserNonce));
}

Digest agentProof(const Key& key, Bytes agentNonce, Bytes browserNonce) {
    return hmacSha256(key, joined("tarsel agent proof", agentNonce, browserNonce));
}

std::optional<SessionKeys> sessionKeys(const Key& key, Bytes agentNonce, Bytes browserNonce) {
    const auto salt = joined("", agentNonce, browserNonce);
    SessionKeys keys;
    if (!hkdfSha256(key, salt, "tarsel browser to agent", keys.toAgent) ||
        !hkdfSha256(key, salt, "tarsel agent to browser", keys.toBrowser))
        return std::nullopt;
    return keys;
}

}  // namespace tarsel::web
