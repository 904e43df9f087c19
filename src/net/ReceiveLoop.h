#pragma once
// One datagram of one connection: decode, discovery, lockout, JSON, PIN, type.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "runtime/Result.h"
#include "runtime/TaskRef.h"

namespace tarsel {

class RequestHandler;
class PairingWindow;

// What the receive path is handed of the agent, fixed once it listens.
struct ServerIdentity {
    std::string pin;  // "" (none could be made) matches nothing
    std::string version;
    std::function<std::string()> address;                   // the LAN address as it is now
    std::function<void(const std::string& ip)> clientSeen;  // a phone proved the PIN
};

struct ConnectionContext {
    std::string remoteIP;
    uint16_t remotePort;
    std::string computerName;
    RequestHandler& requests;  // these three outlive every connection
    PairingWindow& pairing;
    const ServerIdentity& identity;
};

// What the loop needs of its connection.
class ConnectionIO {
  public:
    virtual ~ConnectionIO() = default;
    // Sends one datagram.
    [[nodiscard]] virtual Result<> send(std::string_view text) = 0;
    virtual void cancel() = 0;
    virtual void cancelAfter(double seconds) = 0;
    // Runs a command off the connection, after the commands it sent before.
    virtual void submitCommand(std::function<void()> task) = 0;
    // Runs a command at once where none of the connection's waits; false
    // (and not run) where some do.
    virtual bool runIfIdle(TaskRef task) {
        (void)task;
        return false;
    }
    // The datagram carried the right PIN.
    virtual void verified() {}
    // Layout saves of an endpoint that sends them faster than it is paced
    // wait their turn unparsed, in order; a newer one that carries all of a
    // waiting one's `sections` replaces it. True when this one waits (or was
    // dropped), false to carry it out now.
    virtual bool paces() const { return false; }
    virtual bool deferSync(std::string_view text, unsigned sections) {
        (void)text, (void)sections;
        return false;
    }
    // A fetch reads what the endpoint saved last: a waiting save goes first.
    virtual void beforeFetch() {}
};

enum class LoopOutcome { Continue, Stop };

// `content` is empty when the receive carried no data; `networkError` is set
// when the receive failed.
LoopOutcome handleDatagram(const ConnectionContext& ctx, ConnectionIO& io,
                           const std::optional<std::string_view>& content,
                           const std::optional<std::string>& networkError = std::nullopt);

// A request of a client that proved itself another way (a paired browser):
// no PIN, no lockout; the same dispatch, queues and backlog as a datagram's.
void handleProvenRequest(const ConnectionContext& ctx, ConnectionIO& io, std::string_view text);

}  // namespace tarsel
