#include "net/ReceiveLoop.h"

#include "app/Globals.h"
#include "net/CommandHandOver.h"
#include "net/Discovery.h"
#include "net/LocalAddress.h"
#include "net/RateLimiter.h"
#include "net/SecurityGuard.h"
#include "runtime/Json.h"
#include "runtime/Log.h"
#include "runtime/Queues.h"
#include "runtime/Unicode.h"

namespace tarsel {
namespace {

constexpr std::string_view kInvalidPin = R"({"error":"invalid_pin"})";

void answerScan(const ConnectionContext& ctx, ConnectionIO& io) {
    auto& g = globals();
    if (RateLimiter::discoveryReplies().allow(ctx.remoteIP))
        (void)io.send(
            discoveryReply(ctx.computerName, getCurrentIP(), g.serverPIN, g.serverVersion));
    io.cancelAfter(0.1);
}

// An empty PIN (none could be made) matches nothing.
bool pinMatches(const Json& request) {
    auto it = request.find("pin");
    const std::string& pin = globals().serverPIN;
    return !pin.empty() && it != request.end() && it->is_string() &&
           it->get_ref<const std::string&>() == pin;
}

void sendShortcuts(RequestHandler& requests, ConnectionIO& io) {
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

void syncShortcuts(RequestHandler& requests, const Json& request) {
    Json batch = Json::object();
    for (const char* key : {"3x3", "4x4", "5x5", "user"}) {
        auto it = request.find(key);
        if (it == request.end() || !isArrayOfObjects(*it)) continue;
        batch[key] = *it;
        logLine(std::string("📦 Detected [") + key + "]: " + std::to_string(it->size()) + " items");
    }
    if (!batch.empty()) requests.syncShortcuts(batch);
}

void handleType(const std::string& type, const Json& request, RequestHandler& requests,
                ConnectionIO& io) {
    if (type == "ping") {
        (void)io.send("pong");  // a lost reply is the phone's to retry, as any datagram
    } else if (type == "fetch_shortcuts") {
        sendShortcuts(requests, io);
    } else if (type == "sync_shortcuts") {
        syncShortcuts(requests, request);
    } else if (type == "text") {
        auto it = request.find("text");
        if (it == request.end() || !it->is_string() || it->get_ref<const std::string&>().empty())
            return;
        // Through the command queue, so a paste keeps its place among the phone's commands.
        io.submitCommand([&requests, text = it->get<std::string>()] { requests.text(text); });
    } else {
        io.submitCommand(
            [&requests, command = buildCommand(type, request)] { runCommand(command, requests); });
    }
}

void handleRequest(const ConnectionContext& ctx, ConnectionIO& io, const Json& request) {
    if (!pinMatches(request)) {
        SecurityGuard::shared().registerFailure(ctx.remoteIP);
        logLine("⛔️ 차단됨: 잘못된 PIN 접근 (IP: " + ctx.remoteIP + ")");
        (void)io.send(kInvalidPin);
        return;
    }
    SecurityGuard::shared().reset(ctx.remoteIP);
    recordClient(ctx.remoteIP);
    auto type = request.find("type");
    if (type == request.end() || !type->is_string()) return;
    handleType(type->get<std::string>(), request, ctx.requests, io);
}

}  // namespace

LoopOutcome handleDatagram(const ConnectionContext& ctx, ConnectionIO& io,
                           const std::optional<std::string_view>& content,
                           const std::optional<std::string>& networkError) {
    if (networkError) {
        logLine("❌ 연결 수신 오류 (" + ctx.remoteIP + "): " + *networkError);
        io.cancel();
        return LoopOutcome::Stop;
    }
    if (!content || content->empty() || !unicode::isValidUtf8(*content)) {
        io.cancel();  // a datagram is always complete
        return LoopOutcome::Stop;
    }
    std::string_view text = *content;
    if (isScanRequest(text)) {
        answerScan(ctx, io);
        return LoopOutcome::Stop;
    }
    if (SecurityGuard::shared().isLocked(ctx.remoteIP)) {
        io.cancel();
        return LoopOutcome::Stop;
    }
    auto doc = parseJsonDocument(text);
    if (!doc.value) {
        // Not counted as a failure, so any host could fill the log at line rate.
        if (RateLimiter::parseFailureLines().allow(ctx.remoteIP))
            logLine("⚠️  JSON 파싱 실패 (" + ctx.remoteIP + "): " + doc.error);
        return LoopOutcome::Continue;
    }
    if (doc.value->is_object()) handleRequest(ctx, io, *doc.value);
    return LoopOutcome::Continue;
}

}  // namespace tarsel
