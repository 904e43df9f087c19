#pragma once
// What the page and the agent each derive, so that no secret crosses the
// network: the browser's key K from a QR code's token or from an X25519
// exchange, the proofs of K over both sides' nonces, and the session keys.
#include <optional>
#include <string>

#include "web/WebCrypto.h"

namespace tarsel::web {

constexpr std::size_t kTokenBytes = 16;  // 128 bits
constexpr std::size_t kNonceBytes = 16;

struct TokenKeys {
    std::string pairId;  // base64url; names the token on the wire, reveals nothing of it
    Key key;
};
std::optional<TokenKeys> keysFromToken(Bytes token);

struct ExchangeKeys {
    Key key;
    std::string code;  // six digits both sides show, for the user to compare
};
// `browserPublic` then `agentPublic` salt the derivation: a swapped key
// changes the code.
std::optional<ExchangeKeys> keysFromExchange(const Key& shared, Bytes browserPublic,
                                             Bytes agentPublic);

Digest browserProof(const Key& key, Bytes agentNonce, Bytes browserNonce);
Digest agentProof(const Key& key, Bytes agentNonce, Bytes browserNonce);

struct SessionKeys {
    Key toAgent, toBrowser;
};
std::optional<SessionKeys> sessionKeys(const Key& key, Bytes agentNonce, Bytes browserNonce);

}  // namespace tarsel::web
