#include "web/Handshake.h"

#include <openssl/crypto.h>

#include "runtime/Log.h"
#include "runtime/LogText.h"
#include "runtime/SecureRandom.h"
#include "runtime/Text.h"

namespace tarsel::web {
namespace {

std::string textOf(const Json& m, const char* field) {
    auto it = m.find(field);
    return it != m.end() && it->is_string() ? it->get<std::string>() : std::string();
}

// At most 64 bytes of printable text: it is shown in the pairing window, the
// tray and `tarselctl web list`.
std::string cleanName(std::string name) {
    std::string out;
    for (unsigned char c : name)
        if (c >= 0x20 && c != 0x7f) out += static_cast<char>(c);
    out = clipForLog(out, 64);
    return out.empty() ? "Browser" : out;
}

}  // namespace

Handshake::~Handshake() {
    if (asked_) c_.pairing.withdraw(asked_);
    OPENSSL_cleanse(key_.data(), key_.size());
}

Handshake::Step Handshake::handle(std::string_view text) {
    auto doc = parseJsonDocument(text);
    if (!doc.value || !doc.value->is_object()) return refuse("not a handshake message");
    const Json& m = *doc.value;
    const std::string t = textOf(m, "t");
    if (phase_ == Phase::Start && t == "hello") return hello(m);
    if (phase_ == Phase::Start && t == "pair") return pair(m);
    if (phase_ == Phase::Start && t == "exchange") return exchange(m);
    if (phase_ == Phase::Challenged && t == "proof") return proof(m);
    return refuse("unexpected message");
}

// Without an id the page asks only whether it may pair without a camera now.
Handshake::Step Handshake::hello(const Json& m) {
    const std::string id = textOf(m, "id");
    if (id.empty()) {
        c_.send(
            toCompactJson({{"t", "status"}, {"pairing", c_.pairing.secondsLeft().has_value()}}));
        return Step::Continue;
    }
    auto known = c_.store.find(id);
    if (!known) return refuse("unknown");
    if (!takeNonce(m)) return refuse("bad nonce");
    key_ = known->key;
    id_ = known->id;
    name_ = known->name;
    return challenge();
}

Handshake::Step Handshake::pair(const Json& m) {
    if (!takeNonce(m)) return refuse("bad nonce");
    auto key = c_.pairing.redeem(textOf(m, "id"));
    if (!key) return refuse("expired");
    key_ = *key;
    isNew_ = true;
    takeName(m);
    return challenge();
}

Handshake::Step Handshake::exchange(const Json& m) {
    if (!c_.pairing.secondsLeft()) return refuse("closed");
    if (!c_.mayAsk()) return refuse("too many requests");
    auto browserPublic = base64urlDecode(textOf(m, "key"));
    auto mine = X25519::generate();
    if (!browserPublic || !takeNonce(m) || !mine) return refuse("bad key");
    auto shared = mine->agree(bytesOf(*browserPublic));
    auto keys = shared ? keysFromExchange(*shared, bytesOf(*browserPublic), mine->publicKey())
                       : std::nullopt;
    if (!keys) return refuse("bad key");
    key_ = keys->key;
    takeName(m);
    c_.send(toCompactJson({{"t", "exchange"}, {"key", base64url(mine->publicKey())}}));
    phase_ = Phase::Asked;
    asked_ = c_.ask({keys->code, name_, c_.address});
    return Step::Continue;
}

Handshake::Step Handshake::approved(bool approved, const char* why) {
    if (phase_ != Phase::Asked) return Step::Continue;
    asked_ = 0;
    if (!approved) return refuse(why);
    auto id = c_.store.add(name_, key_, c_.address);
    if (!id) return refuse("no id");
    id_ = *id;
    logLine(tr("🌐 [Web] new browser paired: {1} ({2})", escapeLogText(name_), c_.address));
    return challenge();
}

Handshake::Step Handshake::challenge() {
    if (!secureRandomBytes(agentNonce_.data(), agentNonce_.size())) return refuse("no random");
    Json reply = {{"t", "challenge"}, {"nonce", base64url(agentNonce_)}};
    if (!id_.empty()) reply["id"] = id_;
    c_.send(toCompactJson(reply));
    phase_ = Phase::Challenged;
    return Step::Continue;
}

Handshake::Step Handshake::proof(const Json& m) {
    auto mac = base64urlDecode(textOf(m, "mac"));
    const auto expected = browserProof(key_, agentNonce_, browserNonce_);
    if (!mac || !sameBytes(bytesOf(*mac), expected)) return refuse("wrong proof");
    if (isNew_) {
        auto id = c_.store.add(name_, key_, c_.address);
        if (!id) return refuse("no id");
        id_ = *id;
        logLine(tr("🌐 [Web] new browser paired: {1} ({2})", escapeLogText(name_), c_.address));
    } else {
        c_.store.used(id_, c_.address);
    }
    auto keys = sessionKeys(key_, agentNonce_, browserNonce_);
    if (!keys) return refuse("no keys");
    keys_ = *keys;
    c_.send(toCompactJson({{"t", "ready"},
                           {"id", id_},
                           {"mac", base64url(agentProof(key_, agentNonce_, browserNonce_))},
                           {"computer", c_.computerName}}));
    phase_ = Phase::Done;
    return Step::Ready;
}

Handshake::Step Handshake::refuse(std::string why) {
    refusal_ = std::move(why);
    phase_ = Phase::Done;
    c_.send(toCompactJson({{"t", "refused"}, {"why", refusal_}}));
    return Step::Refused;
}

bool Handshake::takeNonce(const Json& m) {
    auto nonce = base64urlDecode(textOf(m, "nonce"));
    if (!nonce || nonce->size() != browserNonce_.size()) return false;
    std::copy(nonce->begin(), nonce->end(), browserNonce_.begin());
    return true;
}

void Handshake::takeName(const Json& m) {
    name_ = cleanName(textOf(m, "name"));
}

}  // namespace tarsel::web
