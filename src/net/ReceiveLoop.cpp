#include "net/ReceiveLoop.h"

#include "net/CommandHandOver.h"
#include "net/Discovery.h"
#include "net/FlatRequest.h"
#include "net/Pairing.h"
#include "net/RateLimiter.h"
#include "net/RequestHead.h"
#include "net/SecurityGuard.h"
#include "runtime/DropReport.h"
#include "runtime/Json.h"
#include "runtime/Log.h"
#include "runtime/LogText.h"
#include "runtime/Queues.h"
#include "runtime/Text.h"
#include "runtime/Unicode.h"

namespace tarsel {
namespace {

constexpr std::string_view kInvalidPin = R"({"error":"invalid_pin"})";

void logFailure(const std::string& ip, const std::exception& e) {
    logLine(tr("❌ a request failed ({1}): {2}", ip, clipForLog(e.what())));
}

Endpoint peerOf(const ConnectionContext& ctx) {
    return {ctx.remoteIP, ctx.remotePort};
}

// The PIN field is empty outside the pairing window.
void answerScan(const ConnectionContext& ctx, ConnectionIO& io) {
    const ServerIdentity& me = ctx.identity;
    const std::string pin = ctx.pairing.pinInDiscovery() ? me.pin : "";
    if (RateLimiter::discoveryReplies().allow(ctx.remoteIP))
        (void)io.send(discoveryReply(ctx.computerName, me.address(), pin, me.version));
    io.cancelAfter(0.1);
}

// An empty PIN (none could be made) matches nothing.
bool pinMatches(const RequestFields& request, const std::string& pin) {
    return !pin.empty() && request.pin == pin;
}

DropReport& refusedFetches() {
    static DropReport* report = new DropReport(Clock::system(), 10.0, [](std::size_t n) {
        return tr("⚠️ [Shortcuts] shortcut requests left unanswered for coming too often: {1}",
                  n);
    });
    return *report;
}

// A fetch answers a small request with the whole layout, to an address anyone
// can forge: the replies are capped, or the agent would flood for others.
void sendShortcuts(const std::string& ip, RequestHandler& requests, ConnectionIO& io) {
    if (!RateLimiter::layoutReplies().allow(ip)) return refusedFetches().count();
    auto chunks = requests.fetchShortcuts();
    const auto n = std::to_string(chunks.size());
    for (std::size_t i = 0; i < chunks.size(); ++i) {
        auto sent = io.send(chunks[i]);
        std::string pos = std::to_string(i + 1) + "/" + n;
        if (sent)
            logLine("📤 Pushed shortcuts chunk " + pos + " (" + std::to_string(chunks[i].size()) +
                    " bytes)");
        else
            logLine("❌ Failed to send shortcuts chunk " + pos + ": " + sent.error());
    }
}

bool isArrayOfObjects(const Json& v) {
    if (!v.is_array() || v.empty()) return false;
    for (auto& e : v)
        if (!e.is_object()) return false;
    return true;
}

// The sections are moved out of the request, which is not read again.
void syncShortcuts(RequestHandler& requests, Json* request) {
    if (!request) return;  // the flat request has no sections
    Json batch = Json::object();
    for (const char* key : {"3x3", "4x4", "5x5", "user"}) {
        auto it = request->find(key);
        if (it == request->end() || !isArrayOfObjects(*it)) continue;
        logLine(std::string("📦 Detected [") + key + "]: " + std::to_string(it->size()) + " items");
        batch[key] = std::move(*it);
    }
    if (!batch.empty()) requests.syncShortcuts(std::move(batch));
}

template <class Work>
void runLogged(const std::string& ip, Work&& work) {
    try {
        work();
    } catch (const std::exception& e) {
        logFailure(ip, e);
    }
}

// At once where none of the phone's commands waits (nothing to count, nothing
// allocated); else through the connection's command queue, so each command
// keeps its place among the phone's others. An endpoint with too much waiting
// loses it.
template <class Work>
void submit(const ConnectionContext& ctx, ConnectionIO& io, std::size_t textBytes, Work work) {
    auto& backlog = ctx.requests.backlog();
    const std::string origin = peerOf(ctx).key();
    if (!backlog.admits(origin, textBytes)) return;
    auto now = [&] { runLogged(ctx.remoteIP, [&] { backlog.runAs(origin, work); }); };
    if (io.runIfIdle(now)) return;
    auto ticket = backlog.admit(origin, textBytes);
    if (!ticket) return;
    io.submitCommand([&backlog, ip = ctx.remoteIP, ticket = *ticket, work = std::move(work)] {
        runLogged(ip, [&] { backlog.runAs(ticket, work); });
    });
}

void handleType(const ConnectionContext& ctx, const std::string& type, const RequestFields& request,
                ConnectionIO& io) {
    auto& requests = ctx.requests;
    const std::string& ip = ctx.remoteIP;
    if (type == "ping") {
        (void)io.send("pong");  // a lost reply is the phone's to retry, as any datagram
    } else if (type == "fetch_shortcuts") {
        io.beforeFetch();
        sendShortcuts(ip, requests, io);
    } else if (type == "sync_shortcuts") {
        syncShortcuts(requests, request.json);
    } else if (type == "fetch_pad" || type == "save_pad") {
        if (!request.json) return;  // the flat request has none of their members
        // A whole list to an address anyone can forge is capped as a layout is.
        if (type == "fetch_pad" && !request.json->contains("known") &&
            !RateLimiter::layoutReplies().allow(ip))
            return refusedFetches().count();
        if (auto answer = requests.pad(type, *request.json); !answer.empty()) (void)io.send(answer);
    } else if (type == "text") {
        if (!request.json) return;  // the flat request has no text
        auto it = request.json->find("text");
        if (it == request.json->end() || !it->is_string() ||
            it->get_ref<const std::string&>().empty())
            return;
        const auto& text = it->get_ref<const std::string&>();
        submit(ctx, io, text.size(), [&requests, text] { requests.text(text); });
    } else {
        submit(ctx, io, type.size(), [&requests, command = buildCommand(type, request)] {
            runCommand(command, requests);
        });
    }
}

// Past the budget for wrong PINs, only endpoints that proved the PIN lately
// are looked at; the rest go unanswered.
void handleRequest(const ConnectionContext& ctx, ConnectionIO& io, const RequestFields& request) {
    auto& guard = SecurityGuard::shared();
    if (!guard.admits(peerOf(ctx))) return;
    if (!pinMatches(request, ctx.identity.pin)) {
        if (guard.registerFailure(peerOf(ctx)))
            logLine(tr("⛔️ refused: wrong PIN (IP: {1})", ctx.remoteIP));
        (void)io.send(kInvalidPin);
        return;
    }
    guard.reset(peerOf(ctx));
    io.verified();
    if (ctx.identity.clientSeen) ctx.identity.clientSeen(ctx.remoteIP);
    if (request.type) handleType(ctx, std::string(*request.type), request, io);
}

// Anything but a request with the right PIN ends an endpoint's exemption from
// the lockout and the budgets: it may be forged from the phone's endpoint.
LoopOutcome malformed(const ConnectionContext& ctx, ConnectionIO& io, LoopOutcome outcome) {
    SecurityGuard::shared().revoke(peerOf(ctx));
    if (outcome == LoopOutcome::Stop) io.cancel();
    return outcome;
}

// A layout save with the right PIN, told from its head without parsing it.
bool waitsItsTurn(const ConnectionContext& ctx, ConnectionIO& io, std::string_view text) {
    if (!io.paces()) return false;
    auto head = readRequestHead(text, true);
    if (!head || head->type != "sync_shortcuts" || !head->pin) return false;
    return !ctx.identity.pin.empty() && *head->pin == ctx.identity.pin &&
           io.deferSync(text, head->sections);
}

LoopOutcome handleParsed(const ConnectionContext& ctx, ConnectionIO& io, std::string_view text) {
    if (waitsItsTurn(ctx, io, text)) return LoopOutcome::Continue;
    auto& guard = SecurityGuard::shared();
    const std::string trimmed = unicode::trimWhitespaceAndNewlines(text);
    if (trimmed == "scan") {
        answerScan(ctx, io);
        return LoopOutcome::Stop;
    }
    // Parsing is the costly step; strangers share a budget for it.
    if (!guard.admitsParse(peerOf(ctx), text.size())) return LoopOutcome::Continue;
    auto doc = parseJsonDocument(trimmed);
    if (!doc.value) {
        // Not counted as a failure, so any host could fill the log at line rate.
        if (RateLimiter::parseFailureLines().allow(ctx.remoteIP))
            logLine(tr("⚠️  JSON could not be parsed ({1}): {2}", ctx.remoteIP,
                       clipForLog(doc.error)));
        return malformed(ctx, io, LoopOutcome::Continue);
    }
    if (isScanObject(*doc.value)) {
        answerScan(ctx, io);
        return LoopOutcome::Stop;
    }
    if (!doc.value->is_object()) return malformed(ctx, io, LoopOutcome::Continue);
    handleRequest(ctx, io, RequestFields::of(*doc.value));
    return LoopOutcome::Continue;
}

LoopOutcome handleChecked(const ConnectionContext& ctx, ConnectionIO& io,
                          const std::optional<std::string_view>& content,
                          const std::optional<std::string>& networkError) {
    if (networkError) {
        logLine(tr("❌ receive error ({1}): {2}", ctx.remoteIP, *networkError));
        io.cancel();
        return LoopOutcome::Stop;
    }
    // A datagram is always complete, so an empty or undecodable one closes.
    if (!content || content->empty() || !unicode::isValidUtf8(*content))
        return malformed(ctx, io, LoopOutcome::Stop);
    std::string_view text = *content;
    // A locked-out address learns nothing, not even that the agent is here.
    if (SecurityGuard::shared().isLocked(peerOf(ctx))) {
        io.cancel();
        return LoopOutcome::Stop;
    }
    // The common request is read without the parser; any other goes to it.
    if (auto flat = readFlatRequest(text)) {
        if (flat->scan) {
            answerScan(ctx, io);
            return LoopOutcome::Stop;
        }
        handleRequest(ctx, io, RequestFields::of(*flat));
        return LoopOutcome::Continue;
    }
    return handleParsed(ctx, io, text);
}

void handleProvenChecked(const ConnectionContext& ctx, ConnectionIO& io, std::string_view text) {
    if (auto flat = readFlatRequest(text)) {
        auto fields = RequestFields::of(*flat);
        if (fields.type) handleType(ctx, std::string(*fields.type), fields, io);
        return;
    }
    auto doc = parseJsonDocument(text);
    if (!doc.value || !doc.value->is_object()) return;
    auto fields = RequestFields::of(*doc.value);
    if (fields.type) handleType(ctx, std::string(*fields.type), fields, io);
}

}  // namespace

void handleProvenRequest(const ConnectionContext& ctx, ConnectionIO& io, std::string_view text) {
    LogOrigin origin(ctx.remoteIP, ctx.remotePort);
    try {
        handleProvenChecked(ctx, io, text);
    } catch (const std::exception& e) {
        logFailure(ctx.remoteIP, e);
    }
}

// Nothing a datagram causes may end the agent: a failure (out of memory, say)
// is one line, and the loop goes on.
LoopOutcome handleDatagram(const ConnectionContext& ctx, ConnectionIO& io,
                           const std::optional<std::string_view>& content,
                           const std::optional<std::string>& networkError) {
    LogOrigin origin(ctx.remoteIP, ctx.remotePort);
    try {
        return handleChecked(ctx, io, content, networkError);
    } catch (const std::exception& e) {
        logFailure(ctx.remoteIP, e);
        return LoopOutcome::Continue;
    }
}

}  // namespace tarsel
