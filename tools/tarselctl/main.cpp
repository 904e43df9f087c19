// tarselctl: talks to a Tarsel agent the way the phone does.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "AutostartCommand.h"
#include "LocalCommands.h"
#include "UdpClient.h"
#include "input/CommandNames.h"
#include "runtime/LogText.h"

using nlohmann::json;

namespace {

constexpr const char* kUsage =
    "usage: tarselctl [--port N] [--timeout S] [--broadcast] COMMAND HOST [ARGS]\n"
    "  scan HOST                        discovery reply\n"
    "  ping HOST --pin PIN              prints pong\n"
    "  send HOST --pin PIN TYPE [--dx N --dy N --val N]\n"
    "                                   TYPE a command (see `commands`), a key (f5) or a\n"
    "                                   chord (ctrl+c); another word is refused (exit 64)\n"
    "                                   unless --text says to type it\n"
    "  commands                         the command names, by family\n"
    "  text HOST --pin PIN TEXT         pastes TEXT\n"
    "  sync HOST --pin PIN FILE         uploads a layout ({\"3x3\":[...],...})\n"
    "  fetch HOST --pin PIN [--raw]     prints the stored layout\n"
    "  pair                             opens browser pairing (2 minutes) and prints its QR\n"
    "                                   code (this computer, same user, through the\n"
    "                                   agent's local socket)\n"
    "  pair --app                       opens the phone app's pairing and prints the PIN\n"
    "  pair --close                     ends both\n"
    "  pair --approve CODE | --deny CODE  answers a browser that pairs without a camera\n"
    "  show                             shows the agent's pairing window (exit 1: no agent)\n"
    "  web list                         the paired browsers\n"
    "  web forget ID|--all              forgets one or all; their connections close\n"
    "  input                            whether input runs or the desktop's user paused it\n"
    "  input resume                     resumes input stopped on the desktop (GNOME's\n"
    "                                   Stop Screen Sharing)\n"
    "  autostart [on|off|status]        start at log-in (the same as the tray's check item)\n"
    "  --help, --version                print this, or the version\n"
    "  --timeout S                      the whole command's time limit (default 2 s);\n"
    "                                   output stops at 1 MiB\n"
    "exit status: 0 ok, 1 no answer in time, 2 invalid PIN, 64 usage\n";

struct Options {
    std::string command, host, pin;
    std::vector<std::string> positional;
    std::map<std::string, long long> numbers;  // --dx --dy --val
    int port = 3000;
    double timeout = 2.0;
    bool broadcast = false, raw = false, close = false, app = false, all = false, text = false;
    std::string approve, deny;
    // --timeout bounds the whole command, and what it prints stops at 1 MiB:
    // no answer, however long or endless, keeps it running or fills a terminal.
    std::chrono::steady_clock::time_point deadline;
    std::size_t printed = 0;
};

constexpr std::size_t kLongestOutput = 1 << 20;

// At most `wait` seconds, and never past the command's deadline.
double within(const Options& o, double wait) {
    const std::chrono::duration<double> left = o.deadline - std::chrono::steady_clock::now();
    return std::clamp(left.count(), 0.0, wait);
}

[[noreturn]] void usage(const std::string& why) {
    if (!why.empty()) std::fprintf(stderr, "tarselctl: %s\n", why.c_str());
    std::fputs(kUsage, stderr);
    std::exit(64);
}

std::string take(int& i, int argc, char** argv) {
    if (i + 1 >= argc) usage(std::string("missing value for ") + argv[i]);
    return argv[++i];
}

long long number(const std::string& text) {
    try {
        size_t used = 0;
        long long v = std::stoll(text, &used);
        if (used == text.size()) return v;
    } catch (...) {
    }
    usage("not a whole number: " + text);
}

// Six digits as the pairing window shows them ("123 456" too).
std::string code(std::string text) {
    std::erase(text, ' ');
    if (text.size() != 6 || text.find_first_not_of("0123456789") != std::string::npos)
        usage("a pairing code is six digits: " + text);
    return text;
}

Options parse(int argc, char** argv) {
    Options o;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if (a == "--pin")
            o.pin = take(i, argc, argv);
        else if (a == "--port")
            o.port = static_cast<int>(number(take(i, argc, argv)));
        else if (a == "--timeout")
            o.timeout = std::atof(take(i, argc, argv).c_str());
        else if (a == "--broadcast")
            o.broadcast = true;
        else if (a == "--raw")
            o.raw = true;
        else if (a == "--text")
            o.text = true;
        else if (a == "--close")
            o.close = true;
        else if (a == "--app")
            o.app = true;
        else if (a == "--all")
            o.all = true;
        else if (a == "--approve")
            o.approve = code(take(i, argc, argv));
        else if (a == "--deny")
            o.deny = code(take(i, argc, argv));
        else if (a == "--dx" || a == "--dy" || a == "--val")
            o.numbers[a.substr(2)] = number(take(i, argc, argv));
        else if (a == "-h" || a == "--help")
            std::exit(std::fputs(kUsage, stdout) < 0);
        else if (a == "--version")
            std::exit(std::puts("tarselctl " TARSEL_VERSION) < 0);
        else
            o.positional.push_back(a);
    }
    const bool local =
        !o.positional.empty() && (o.positional[0] == "pair" || o.positional[0] == "web" ||
                                  o.positional[0] == "show" || o.positional[0] == "input" ||
                                  o.positional[0] == "autostart" || o.positional[0] == "commands");
    const std::size_t named = local ? 1 : 2;
    if (o.positional.size() < named) usage("");
    o.command = o.positional[0];
    if (named == 2) o.host = o.positional[1];
    o.positional.erase(o.positional.begin(), o.positional.begin() + static_cast<long>(named));
    return o;
}

json request(const Options& o, const std::string& type) {
    if (o.pin.empty()) usage(o.command + " needs --pin");
    return {{"pin", o.pin}, {"type", type}};
}

int fail(const std::string& message, int status) {
    std::fprintf(stderr, "tarselctl: %s\n", message.c_str());
    return status;
}

// What came from the network reaches the terminal with its control bytes
// (escape sequences included) made visible. False once the output is full.
bool print(Options& o, const std::string& text) {
    if (o.printed > kLongestOutput) return false;
    std::string shown = tarsel::escapeLogText(text);
    o.printed += shown.size() + 1;
    if (o.printed > kLongestOutput) {
        shown.resize(shown.size() - std::min(shown.size(), o.printed - kLongestOutput));
        while (!shown.empty() && (static_cast<unsigned char>(shown.back()) & 0xC0) == 0x80)
            shown.pop_back();  // never half a character
        std::puts(shown.c_str());
        std::fputs("tarselctl: output cut at 1 MiB\n", stderr);
        return false;
    }
    std::puts(shown.c_str());
    return true;
}

bool isInvalidPin(const std::string& reply) {
    return reply == R"({"error":"invalid_pin"})";
}

// Sends; where the agent answers only a wrong PIN, a short wait tells it apart.
int sendQuiet(tarselctl::UdpClient& c, const Options& o, const json& body) {
    if (!c.send(body.dump())) return fail(c.error(), 1);
    if (auto reply = c.receive(within(o, 0.3)); reply && isInvalidPin(*reply))
        return fail("invalid PIN", 2);
    std::puts("sent");
    return 0;
}

// With --broadcast every agent that answers is listed with its address.
int scan(tarselctl::UdpClient& c, Options& o) {
    if (!c.send("scan")) return fail(c.error(), 1);
    int found = 0;
    std::string from;
    for (double wait = within(o, o.timeout); auto reply = c.receive(wait, &from);
         wait = within(o, o.broadcast ? 0.3 : 0)) {
        if (reply->rfind("device_info:", 0) != 0)
            return fail("not a discovery reply: " + tarsel::escapeLogText(*reply), 1);
        ++found;
        if (!print(o, o.broadcast ? from + " " + *reply : *reply) || !o.broadcast) break;
    }
    return found > 0 ? 0 : fail("no discovery reply within the timeout", 1);
}

int ping(tarselctl::UdpClient& c, Options& o) {
    if (!c.send(request(o, "ping").dump())) return fail(c.error(), 1);
    auto reply = c.receive(within(o, o.timeout));
    if (!reply) return fail("no answer within the timeout", 1);
    if (isInvalidPin(*reply)) return fail("invalid PIN", 2);
    if (*reply != "pong") return fail("unexpected answer: " + tarsel::escapeLogText(*reply), 1);
    print(o, *reply);
    return 0;
}

int fetch(tarselctl::UdpClient& c, Options& o) {
    if (!c.send(request(o, "fetch_shortcuts").dump())) return fail(c.error(), 1);
    json layout = json::object();
    int chunks = 0;
    std::size_t received = 0;
    // Chunks carry no count: collect until the agent has been quiet a while.
    for (double wait = within(o, o.timeout); auto reply = c.receive(wait);
         wait = within(o, std::min(o.timeout, 0.5))) {
        if (isInvalidPin(*reply)) return fail("invalid PIN", 2);
        ++chunks;
        if (o.raw && !print(o, *reply)) break;
        if ((received += reply->size()) > kLongestOutput) {
            std::fputs("tarselctl: output cut at 1 MiB\n", stderr);
            break;
        }
        json chunk = json::parse(*reply, nullptr, false);
        if (chunk.is_object() && chunk.contains("shortcuts_db") &&
            chunk["shortcuts_db"].is_object())
            layout.update(chunk["shortcuts_db"]);
    }
    if (!o.raw) print(o, layout.dump(-1, ' ', false, json::error_handler_t::replace));
    if (chunks == 0) std::fprintf(stderr, "tarselctl: no shortcuts stored (or no answer)\n");
    return 0;
}

int sync(tarselctl::UdpClient& c, const Options& o) {
    if (o.positional.empty()) usage("sync needs a FILE");
    std::ifstream in(o.positional[0]);
    if (!in) return fail("cannot read " + o.positional[0], 64);
    std::stringstream text;
    text << in.rdbuf();
    json layout = json::parse(text.str(), nullptr, false);
    if (!layout.is_object()) return fail(o.positional[0] + " is not a JSON object", 64);
    json body = request(o, "sync_shortcuts");
    for (auto& [section, items] : layout.items()) body[section] = items;
    return sendQuiet(c, o, body);
}

int listCommands() {
    for (const auto& family : tarsel::commandFamilies()) {
        std::string line = std::string(family.title) + ":";
        for (const char* name : family.names) line += std::string(" ") + name;
        std::puts(line.c_str());
    }
    std::puts(
        "keys: a-z, 0-9, f1-f20, enter, esc, tab, space, up, down, left, right, … and "
        "chords such as ctrl+c or cmd+shift+t");
    return 0;
}

// The agent types any other word as text: a mistyped command would be typed.
int notACommand(const std::string& word) {
    std::string message = "not a command: " + tarsel::escapeLogText(word);
    const auto near = tarsel::closestCommands(word);
    for (std::size_t i = 0; i < near.size(); ++i)
        message += (i == 0 ? "; did you mean " : ", ") + near[i];
    if (!near.empty()) message += "?";
    message += " (tarselctl commands lists them; --text types the word)";
    return fail(message, 64);
}

int run(Options o) {
    o.deadline = std::chrono::steady_clock::now() +
                 std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                     std::chrono::duration<double>(std::max(o.timeout, 0.0)));
    if (o.command == "autostart") return tarselctl::autostartCommand(o.positional);
    if (o.command == "commands") return listCommands();
    if (o.command == "input")
        return tarselctl::inputCommand(
            {within(o, o.timeout), false, false, false, "", "", o.positional});
    if (o.command == "pair" || o.command == "web" || o.command == "show") {
        for (const auto& w : o.positional)
            if (w.empty() || w.size() > 16 ||
                w.find_first_not_of("0123456789abcdefghijklmnopqrstuvwxyz") != std::string::npos)
                usage("not a browser id: " + w);
        tarselctl::LocalOptions local{
            within(o, o.timeout), o.close, o.app, o.all, o.approve, o.deny, o.positional};
        if (o.command == "show") return tarselctl::showCommand(local);
        return o.command == "pair" ? tarselctl::pairCommand(local) : tarselctl::webCommand(local);
    }
    tarselctl::UdpClient client(o.host, o.port, o.broadcast);
    if (!client.ok()) return fail(client.error(), 64);
    if (o.command == "scan") return scan(client, o);
    if (o.command == "ping") return ping(client, o);
    if (o.command == "fetch") return fetch(client, o);
    if (o.command == "sync") return sync(client, o);
    if (o.command == "text") {
        if (o.positional.empty()) usage("text needs TEXT");
        json body = request(o, "text");
        body["text"] = o.positional[0];
        return sendQuiet(client, o, body);
    }
    if (o.command == "send") {
        if (o.positional.empty()) usage("send needs TYPE");
        if (!o.text && !tarsel::isCommand(o.positional[0])) return notACommand(o.positional[0]);
        json body = request(o, o.positional[0]);
        for (auto& [k, v] : o.numbers) body[k] = v;
        return sendQuiet(client, o, body);
    }
    usage("unknown command " + o.command);
}

}  // namespace

int main(int argc, char** argv) {
    return run(parse(argc, argv));
}
