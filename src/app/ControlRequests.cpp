#include "app/ControlRequests.h"

#include "app/BrowserRemote.h"
#include "app/Globals.h"
#include "menubar/StatusBarController.h"
#include "net/Pairing.h"
#include "platform/Platform.h"
#include "runtime/Json.h"
#include "runtime/LocalControl.h"
#include "runtime/Log.h"
#include "runtime/Text.h"

namespace tarsel {
namespace {

Json browserPairingState(BrowserRemote& browsers) {
    auto& pairing = browsers.pairing();
    Json reply = {{"seconds_left", pairing.secondsLeft().value_or(0)},
                  {"page", browsers.pageUrl()}};
    if (auto url = browsers.pairingUrl()) reply["url"] = *url;
    if (browsers.port() == 0) reply["off"] = true;
    if (auto holder = browsers.holder(); !holder.empty()) reply["port_held_by"] = holder;
    if (auto waiting = pairing.pending())
        reply["request"] = {
            {"code", waiting->code}, {"name", waiting->name}, {"address", waiting->address}};
    return reply;
}

Json browserList(BrowserRemote& browsers) {
    Json list = Json::array();
    for (const auto& b : browsers.store().list())
        list.push_back({{"id", b.id},
                        {"name", b.name},
                        {"address", b.address},
                        {"paired", b.paired},
                        {"last_used", b.lastUsed}});
    return {{"browsers", list}};
}

Json answerPair(std::string_view args, const ControlTargets& t) {
    auto& browsers = t.browsers.pairing();
    if (args.empty()) {
        browsers.open(web::BrowserPairing::kOnRequestSeconds);
        return browserPairingState(t.browsers);
    }
    if (args == "--app") {
        t.phonePairing.open(PairingWindow::kOnRequestSeconds);
        return {{"pin", t.pin}, {"seconds_left", t.phonePairing.secondsLeft().value_or(0)}};
    }
    if (args == "--close") {
        t.phonePairing.close();
        browsers.close();
        return {{"closed", true}};
    }
    for (const auto& [flag, approve] : {std::pair{"--approve ", true}, {"--deny ", false}})
        if (args.starts_with(flag))
            return {
                {"answered", browsers.answer(args.substr(std::string_view(flag).size()), approve)}};
    return {{"error", "unknown request"}};
}

Json answerWeb(std::string_view args, const ControlTargets& t) {
    if (args == "list") return browserList(t.browsers);
    if (args == "forget --all") return {{"forgotten", t.browsers.store().forgetAll()}};
    if (args.starts_with("forget ")) {
        const std::string id(args.substr(7));
        const bool gone = t.browsers.store().forget(id);
        if (gone) logLine(tr("🌐 [Web] browser forgotten: {1}", id));
        return {{"forgotten", gone ? 1 : 0}};
    }
    return {{"error", "unknown request"}};
}

Json answerInput(std::string_view args, InputPause* pause) {
    if (args == "resume") return {{"resuming", pause && pause->resume()}};
    if (!args.empty()) return {{"error", "unknown request"}};
    return {{"pausable", pause != nullptr}, {"paused", pause && pause->paused()}};
}

}  // namespace

std::string answerControl(std::string_view request, const ControlTargets& t) {
    const auto word = request.substr(0, request.find(' '));
    const auto args = word.size() < request.size() ? request.substr(word.size() + 1) : "";
    Json reply;
    if (word == "pair")
        reply = answerPair(args, t);
    else if (word == "web")
        reply = answerWeb(args, t);
    else if (word == "input")
        reply = answerInput(args, t.pause);
    else if (request == "show-pairing")
        reply = {{"shown", t.showPairing && t.showPairing()}};
    else
        reply = {{"error", "unknown request"}};
    return toCompactJson(reply);
}

void startControlSocket(asio::thread_pool& pool, PairingWindow& pairing, BrowserRemote& browsers) {
    auto served = prepareControlSocket().and_then([&](const std::string& path) {
        return serveControl(pool, path, [&pairing, &browsers](std::string_view request) {
            const auto show = [] { return StatusBarController::shared().showPairing(); };
            return answerControl(request, {pairing, browsers, globals().serverPIN, show,
                                           platform().inputPause.get()});
        });
    });
    if (!served)
        logLine(
            tr("⚠️ [Control] the local control socket cannot be opened: {1}", served.error()));
}

}  // namespace tarsel
