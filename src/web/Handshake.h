#pragma once
// A browser's first messages, before anything is sealed: it pairs (by a QR
// code's token, or by an X25519 exchange the user approves), or names the
// key it paired with; then it proves that key over fresh nonces from both
// sides and learns that the agent holds it too. Plain JSON text messages.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "runtime/Json.h"
#include "web/BrowserPairing.h"
#include "web/BrowserStore.h"
#include "web/PairingKeys.h"

namespace tarsel::web {

class Handshake {
  public:
    enum class Step { Continue, Ready, Refused };
    struct Context {
        BrowserStore& store;
        BrowserPairing& pairing;
        std::string address;       // the browser's
        std::string computerName;  // shown by the page
        std::function<void(std::string_view)> send;
        // Asks the user about a camera-less browser; the answer comes back
        // through approved(), on the connection's thread. The request's id.
        std::function<uint64_t(ApprovalRequest)> ask;
        // Whether this address may start another camera-less request now.
        std::function<bool()> mayAsk;
    };

    explicit Handshake(Context context) : c_(std::move(context)) {}
    ~Handshake();

    Step handle(std::string_view text);
    // The user's answer to this browser's request.
    Step approved(bool approved, const char* why);

    // Once Ready: who it is and the keys of the session.
    const std::string& browserId() const { return id_; }
    const std::string& browserName() const { return name_; }
    const SessionKeys& keys() const { return keys_; }
    // Why it was refused, for the log.
    const std::string& refusal() const { return refusal_; }
    bool waitsForApproval() const { return asked_ != 0; }

  private:
    Step hello(const Json& m);
    Step pair(const Json& m);
    Step exchange(const Json& m);
    Step proof(const Json& m);
    Step challenge();
    Step refuse(std::string why);
    bool takeNonce(const Json& m);
    void takeName(const Json& m);

    Context c_;
    enum class Phase { Start, Asked, Challenged, Done } phase_ = Phase::Start;
    Key key_{};
    std::string id_, name_, refusal_;
    bool isNew_ = false;  // paired by token: stored once it proves the key
    std::array<uint8_t, kNonceBytes> agentNonce_{}, browserNonce_{};
    SessionKeys keys_{};
    uint64_t asked_ = 0;
};

}  // namespace tarsel::web
