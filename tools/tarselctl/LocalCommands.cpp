#include "LocalCommands.h"

#include <unistd.h>

#include <cstdio>
#include <ctime>
#include <nlohmann/json.hpp>
#include <optional>

#include "ControlClient.h"
#include "TerminalQr.h"
#include "runtime/LogText.h"
#include "runtime/TimeText.h"

using nlohmann::json;

namespace tarselctl {
namespace {

int fail(const std::string& message, int status) {
    std::fprintf(stderr, "tarselctl: %s\n", message.c_str());
    return status;
}

std::optional<json> ask(const std::string& request, double seconds, std::string& error) {
    auto answer = askAgent(request, seconds, error);
    if (!answer) return std::nullopt;
    json reply = json::parse(*answer, nullptr, false);
    if (!reply.is_object() || reply.contains("error")) {
        error = "unexpected answer from the agent";
        return std::nullopt;
    }
    return reply;
}

// What the agent sends is shown with its control bytes made visible.
std::string shown(const json& reply, const char* field) {
    auto it = reply.find(field);
    return it != reply.end() && it->is_string() ? tarsel::escapeLogText(it->get<std::string>())
                                                : std::string();
}

int showPhonePairing(const json& reply) {
    if (!reply.contains("pin") || !reply["seconds_left"].is_number_integer())
        return fail("unexpected answer from the agent", 1);
    std::printf("PIN %s, pairing open for %s\n", shown(reply, "pin").c_str(),
                tarsel::minutesAndSeconds(reply["seconds_left"].get<long long>()).c_str());
    return 0;
}

void showRequest(const json& reply) {
    if (!reply.contains("request")) return;
    const json& r = reply["request"];
    std::printf(
        "\nA browser without a camera asks to pair: %s from %s, code %s\n"
        "Compare the code with the phone, then: tarselctl pair --approve %s (or --deny)\n",
        shown(r, "name").c_str(), shown(r, "address").c_str(), shown(r, "code").c_str(),
        shown(r, "code").c_str());
}

int showBrowserPairing(const json& reply) {
    if (reply.value("off", false))
        return fail("the browser remote is off (\"web_port\": 0 in config.json)", 1);
    if (auto holder = shown(reply, "port_held_by"); !holder.empty())
        return fail("another user (" + holder + ") holds the web port: no QR code is shown", 1);
    const std::string url = shown(reply, "url");
    if (url.empty()) return fail("the agent cannot serve the page yet (its port is busy)", 1);
    if (auto qr = terminalQr(url, isatty(STDOUT_FILENO))) std::fputs(qr->c_str(), stdout);
    std::printf("Scan with the phone's camera, or open: %s\n", url.c_str());
    std::printf("Without a camera, type %s and choose \"Pair this browser\".\n",
                shown(reply, "page").c_str());
    std::printf(
        "Pairing open for %s; the code works once. tarselctl pair --app pairs the phone "
        "app instead.\n",
        tarsel::minutesAndSeconds(reply.value("seconds_left", 0LL)).c_str());
    showRequest(reply);
    return 0;
}

std::string when(double seconds) {
    if (seconds <= 0) return "-";
    const std::time_t t = static_cast<std::time_t>(seconds);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M", std::localtime(&t));
    return text;
}

}  // namespace

int pairCommand(const LocalOptions& o) {
    std::string request = "pair", error;
    if (o.close)
        request += " --close";
    else if (o.app)
        request += " --app";
    else if (!o.approve.empty())
        request += " --approve " + o.approve;
    else if (!o.deny.empty())
        request += " --deny " + o.deny;
    auto reply = ask(request, o.seconds, error);
    if (!reply) return fail(error, 1);
    if (o.close) return std::puts("pairing closed") < 0;
    if (o.app) return showPhonePairing(*reply);
    if (reply->contains("answered")) {
        if (!reply->value("answered", false)) return fail("no request waits with that code", 1);
        return std::puts(o.approve.empty() ? "denied" : "approved") < 0;
    }
    return showBrowserPairing(*reply);
}

// For the desktop's menu entry: exit 1 (and nothing shown) when no agent
// answers, so the entry starts one instead.
int showCommand(const LocalOptions& o) {
    std::string error;
    auto reply = ask("show-pairing", o.seconds, error);
    if (!reply) return fail(error, 1);
    if (!reply->value("shown", false))
        std::puts("no display for the pairing window: tarselctl pair shows the QR code here");
    return 0;
}

int webCommand(const LocalOptions& o) {
    std::string error;
    const std::string what = o.words.empty() ? "" : o.words[0];
    if (what == "list") {
        auto reply = ask("web list", o.seconds, error);
        if (!reply) return fail(error, 1);
        if ((*reply)["browsers"].empty()) std::puts("no paired browsers");
        for (const auto& b : (*reply)["browsers"])
            std::printf("%s  %-28s  %-15s  paired %s  last used %s\n", shown(b, "id").c_str(),
                        shown(b, "name").c_str(), shown(b, "address").c_str(),
                        when(b.value("paired", 0.0)).c_str(),
                        when(b.value("last_used", 0.0)).c_str());
        return 0;
    }
    if (what == "forget" && (o.all || o.words.size() == 2)) {
        auto reply = ask(o.all ? "web forget --all" : "web forget " + o.words[1], o.seconds, error);
        if (!reply) return fail(error, 1);
        const auto n = reply->value("forgotten", 0);
        if (!o.all && n == 0) return fail("no paired browser " + o.words[1], 1);
        std::printf("forgot %d browser%s\n", n, n == 1 ? "" : "s");
        return 0;
    }
    return fail("usage: tarselctl web list | web forget ID|--all", 64);
}

// Exit 1 where the answer is "not running": no agent, or input still paused.
int inputCommand(const LocalOptions& o) {
    std::string error;
    const bool resume = o.words.size() == 1 && o.words[0] == "resume";
    if (!o.words.empty() && !resume) return fail("usage: tarselctl input [resume]", 64);
    auto reply = ask(resume ? "input resume" : "input", o.seconds, error);
    if (!reply) return fail(error, 1);
    if (resume) {
        if (!reply->value("resuming", false)) return fail("input is not paused", 1);
        return std::puts("resuming input") < 0;
    }
    if (!reply->value("paused", false)) return std::puts("input runs") < 0;
    std::puts("input paused on the desktop: tarselctl input resume resumes it");
    return 1;
}

}  // namespace tarselctl
