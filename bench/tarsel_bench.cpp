// Load generator for bench/run.py: paced phone streams, round trips against a
// bare echo server or the agent, and floods from many loopback endpoints, each
// while a "real phone" keeps pinging. Prints one JSON object on standard output.
// Every loop is bounded in count and time, and every datagram goes to loopback.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <nlohmann/json.hpp>
#include <string>
#include <thread>
#include <vector>

#include "BenchTiming.h"

using Json = nlohmann::json;

namespace {

using bench::monotonic;
using bench::sleepUntil;
using bench::summarize;

sockaddr_in loopback(const std::string& ip, int port) {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(static_cast<uint16_t>(port));
    inet_pton(AF_INET, ip.c_str(), &a.sin_addr);
    return a;
}

int udpSocket(const std::string& bindIp = "127.0.0.1", int port = 0) {
    int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return -1;
    sockaddr_in a = loopback(bindIp, port);
    if (bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
        close(fd);
        return -1;
    }
    return fd;
}

bool sendTo(int fd, const sockaddr_in& to, const std::string& payload) {
    return sendto(fd, payload.data(), payload.size(), 0, reinterpret_cast<const sockaddr*>(&to),
                  sizeof to) >= 0;
}

// Waits at most `seconds` for one datagram; "" when none came.
std::string receive(int fd, double seconds) {
    pollfd p{fd, POLLIN, 0};
    if (poll(&p, 1, static_cast<int>(seconds * 1000)) <= 0) return "";
    char buf[65536];
    ssize_t n = recv(fd, buf, sizeof buf, 0);
    return n > 0 ? std::string(buf, static_cast<std::size_t>(n)) : "";
}

struct Args {
    std::map<std::string, std::string> values;
    std::string get(const std::string& k, const std::string& fallback) const {
        auto it = values.find(k);
        return it == values.end() ? fallback : it->second;
    }
    double num(const std::string& k, double fallback) const {
        auto it = values.find(k);
        return it == values.end() ? fallback : std::atof(it->second.c_str());
    }
};

std::string ping(const std::string& pin) {
    return Json{{"pin", pin}, {"type", "ping"}}.dump();
}

// Request/reply pairs, one at a time, from one socket.
Json roundTrips(int port, const std::string& payload, int count) {
    int fd = udpSocket();
    sockaddr_in to = loopback("127.0.0.1", port);
    std::vector<double> micros;
    micros.reserve(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        double t0 = monotonic();
        sendTo(fd, to, payload);
        if (!receive(fd, 0.5).empty()) micros.push_back((monotonic() - t0) * 1e6);
    }
    close(fd);
    return summarize(micros, static_cast<std::size_t>(count));
}

// The physical floor: a bare echo server on its own thread.
Json echoRoundTrips(const std::string& payload, int count) {
    int server = udpSocket("127.0.0.1", 0);
    sockaddr_in self{};
    socklen_t len = sizeof self;
    getsockname(server, reinterpret_cast<sockaddr*>(&self), &len);
    std::atomic<bool> stop{false};
    std::thread echo([&] {
        char buf[65536];
        while (!stop) {
            pollfd p{server, POLLIN, 0};
            if (poll(&p, 1, 50) <= 0) continue;
            sockaddr_in from{};
            socklen_t fl = sizeof from;
            ssize_t n =
                recvfrom(server, buf, sizeof buf, 0, reinterpret_cast<sockaddr*>(&from), &fl);
            if (n > 0)
                sendto(server, buf, static_cast<std::size_t>(n), 0,
                       reinterpret_cast<sockaddr*>(&from), fl);
        }
    });
    Json out = roundTrips(ntohs(self.sin_port), payload, count);
    stop = true;
    echo.join();
    close(server);
    return out;
}

double threadCpuSeconds() {
    rusage u{};
    getrusage(RUSAGE_THREAD, &u);
    return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

// The CPU floor of serving a paced stream: a bare echo thread's own CPU time
// while it answers `rate` datagrams a second.
Json echoCpu(double rate, double seconds) {
    int server = udpSocket("127.0.0.1", 0);
    sockaddr_in self{};
    socklen_t len = sizeof self;
    getsockname(server, reinterpret_cast<sockaddr*>(&self), &len);
    std::atomic<bool> stop{false};
    double cpu = 0;
    std::thread echo([&] {
        double c0 = threadCpuSeconds();
        char buf[2048];
        while (!stop) {
            pollfd p{server, POLLIN, 0};
            if (poll(&p, 1, 50) <= 0) continue;
            sockaddr_in from{};
            socklen_t fl = sizeof from;
            ssize_t n =
                recvfrom(server, buf, sizeof buf, 0, reinterpret_cast<sockaddr*>(&from), &fl);
            if (n > 0)
                sendto(server, buf, static_cast<std::size_t>(n), 0,
                       reinterpret_cast<sockaddr*>(&from), fl);
        }
        cpu = threadCpuSeconds() - c0;
    });
    int fd = udpSocket();
    const int total = static_cast<int>(rate * seconds);
    double start = monotonic() + 0.05;
    for (int i = 0; i < total; ++i) {
        sleepUntil(start + i / rate);
        sendTo(fd, self, R"({"type":"move","dx":1,"dy":1})");
        receive(fd, 0.1);
    }
    double elapsed = monotonic() - start;
    stop = true;
    echo.join();
    close(fd);
    close(server);
    return {{"cpu_percent", 100 * cpu / elapsed}, {"seconds", elapsed}};
}

// Move i: pairs (+a, -a) keep the pointer near home, and the deltas identify
// the order in which the agent applied them.
std::pair<int, int> moveDelta(int i) {
    int a = 1 + (i / 2) % 40, b = 1 + (i / 2) % 31;
    return i % 2 == 0 ? std::pair{a, b} : std::pair{-a, -b};
}

std::string streamDatagram(const std::string& kind, const std::string& pin, int i, int* moveNo,
                           std::string* category) {
    // Mixed: per hundred datagrams one click, one key command and one text,
    // spread out; a click holds the mouse queue for 30 ms, while a key's
    // release is a timer of its own.
    int slot = kind == "mixed" ? i % 100 : 1;
    Json j{{"pin", pin}};
    if (slot == 0) {
        *category = "click";
        j["type"] = "click";
    } else if (slot == 33) {
        *category = "key";
        j["type"] = "copy";
    } else if (slot == 66) {
        *category = "text";
        j["type"] = "text";
        j["text"] = "t" + std::to_string(i);
    } else {
        *category = "move";
        auto [dx, dy] = moveDelta((*moveNo)++);
        j["type"] = "move";
        j["dx"] = dx;
        j["dy"] = dy;
    }
    return j.dump();
}

// Paced stream from one phone; the send times go to the orchestrator, which
// pairs them with the recorded effects.
Json stream(const Args& a) {
    const std::string kind = a.get("kind", "move"), pin = a.get("pin", "246810");
    const double rate = a.num("rate", 1000), seconds = std::min(a.num("seconds", 10), 120.0);
    const int total = static_cast<int>(rate * seconds);
    int fd = udpSocket();
    sockaddr_in to = loopback("127.0.0.1", static_cast<int>(a.num("port", 3000)));
    Json sends = Json::array();
    int moveNo = 0;
    double start = monotonic() + 0.05;
    for (int i = 0; i < total; ++i) {
        std::string category;
        std::string payload = streamDatagram(kind, pin, i, &moveNo, &category);
        sleepUntil(start + i / rate);
        double t = monotonic();
        sendTo(fd, to, payload);
        sends.push_back(Json::array({i, category, t}));
    }
    close(fd);
    return {{"kind", kind}, {"rate", rate}, {"sends", sends}};
}

// A "real phone" pinging every few milliseconds until told to stop.
struct Probe {
    std::atomic<bool> stop{false};
    std::vector<double> micros;
    std::size_t sent = 0;
    std::thread thread;

    void start(const std::string& pin, int port, double interval) {
        thread = std::thread([this, pin, port, interval] {
            int fd = udpSocket();
            sockaddr_in to = loopback("127.0.0.1", port);
            while (!stop) {
                double t0 = monotonic();
                sendTo(fd, to, ping(pin));
                ++sent;
                std::string r = receive(fd, 0.2);
                if (r == "pong") micros.push_back((monotonic() - t0) * 1e6);
                sleepUntil(t0 + interval);
            }
            close(fd);
        });
    }
    Json finish() {
        stop = true;
        thread.join();
        return summarize(micros, sent);
    }
};

// Source endpoint n of a flood: 127.A.B.C, away from 127.0.0.1.
std::string floodAddress(long n) {
    long a = 16 + n / 64516, b = (n / 254) % 254 + 1, c = n % 254 + 1;
    return "127." + std::to_string(a) + "." + std::to_string(b) + "." + std::to_string(c);
}

// A layout section: 60 items make about 3 KB as sent, 1,050 about 60 KB.
Json section(long n, int count = 60) {
    Json items = Json::array();
    for (int i = 0; i < count; ++i)
        items.push_back(
            {{"label", "단축키 " + std::to_string(i)}, {"round", n}, {"action", "cmd+c"}});
    return items;
}

// About 60 KB of small arrays of numbers: the costliest shape to parse per byte.
std::string bigJson(long n) {
    Json pad = Json::array();
    while (pad.size() < 5300) pad.push_back(Json::array({n, 1, 2.5}));
    return Json{{"type", "ping"}, {"pad", pad}}.dump();
}

// What an attacker who knows the PIN (read off the air) sends: layout fetches
// (reflection), typed commands (backlog), clicks and texts over many
// endpoints (the shared queues), layout saves (disk stalls, the network
// thread) and huge command names (memory); without it: scans, wrong PINs and
// large JSON (parse work).
std::string floodPayload(const std::string& kind, long n, const std::string& pin) {
    if (kind == "scan") return "scan";
    if (kind == "bigjson") return bigJson(n);
    if (kind == "bigsync")
        return Json{{"pin", pin}, {"type", "sync_shortcuts"}, {"3x3", section(n, 1050)}}.dump();
    if (kind == "spread")
        return n % 2 ? Json{{"pin", pin}, {"type", "click"}}.dump()
                     : Json{{"pin", pin}, {"type", "text"}, {"text", "t"}}.dump();
    if (kind == "wrongpin")
        return Json{{"pin", std::to_string(100000 + n % 800000)}, {"type", "ping"}}.dump();
    if (kind == "fetch") return Json{{"pin", pin}, {"type", "fetch_shortcuts"}}.dump();
    if (kind == "commands") return Json{{"pin", pin}, {"type", "zz" + std::to_string(n)}}.dump();
    if (kind == "sync")
        return Json{{"pin", pin}, {"type", "sync_shortcuts"}, {"3x3", section(n)}}.dump();
    if (kind == "bignames")
        return Json{{"pin", pin}, {"type", std::string(60000, 'a' + n % 26)}}.dump();
    return "[" + std::to_string(n) + "]";  // valid, silent, and keeps the connection open
}

// kind endpoints: `count` distinct endpoints (addresses x ports per address).
// kind wrongpin / scan: `rate` per second for `seconds` from `addresses` addresses.
Json flood(const Args& a) {
    const std::string kind = a.get("kind", "endpoints"), pin = a.get("pin", "246810");
    const int port = static_cast<int>(a.num("port", 3000));
    const int portsPerAddress = static_cast<int>(a.num("ports-per-address", 4));
    Probe probe;
    probe.start(pin, port, a.num("probe-interval", 0.005));
    sockaddr_in to = loopback("127.0.0.1", port);
    std::size_t sent = 0, replies = 0, replyBytes = 0, requestBytes = 0;
    double t0 = monotonic(), sentUntil = t0;
    if (kind == "endpoints") {
        const long count = static_cast<long>(std::min(a.num("count", 100000), 1e6));
        for (long n = 0; n * portsPerAddress < count; ++n) {
            std::vector<int> fds;
            for (int p = 0; p < portsPerAddress; ++p) fds.push_back(udpSocket(floodAddress(n)));
            for (int fd : fds)
                if (fd >= 0 && sendTo(fd, to, floodPayload(kind, n, pin))) ++sent;
            for (int fd : fds)
                if (fd >= 0) close(fd);
        }
    } else {
        const double rate = a.num("rate", 20000), seconds = std::min(a.num("seconds", 5), 60.0);
        const long addresses = static_cast<long>(a.num("addresses", 1000));
        std::vector<int> fds;
        for (long n = 0; n < addresses; ++n) fds.push_back(udpSocket(floodAddress(n)));
        const long total = static_cast<long>(rate * seconds);
        const long batch = std::max<long>(1, static_cast<long>(rate / 1000));
        // The large payloads are made once, so the sender's own work stays
        // small beside the agent's.
        std::vector<std::string> made;
        const bool large = kind == "bigjson" || kind == "bigsync";
        for (long k = 0; large && k < 16; ++k) made.push_back(floodPayload(kind, k, pin));
        for (long i = 0; i < total; i += batch) {
            sleepUntil(t0 + static_cast<double>(i) / rate);
            for (long k = i; k < std::min(total, i + batch); ++k) {
                int fd = fds[static_cast<std::size_t>(k % addresses)];
                const std::string payload =
                    large ? made[static_cast<std::size_t>(k % 16)] : floodPayload(kind, k, pin);
                if (fd >= 0 && sendTo(fd, to, payload)) {
                    ++sent;
                    requestBytes += payload.size();
                }
            }
        }
        sentUntil = monotonic();
        usleep(200000);
        // Replies wait in each socket's buffer (a few hundred fit) until now.
        for (int fd : fds) {
            char buf[65536];
            ssize_t n;
            while ((n = recv(fd, buf, sizeof buf, MSG_DONTWAIT)) > 0) {
                ++replies;
                replyBytes += static_cast<std::size_t>(n);
            }
            close(fd);
        }
    }
    double elapsed = monotonic() - t0;
    usleep(300000);  // let the probe see the agent settle
    return {{"kind", kind},
            {"sent", sent},
            {"seconds", elapsed},
            {"sent_until", sentUntil},
            {"replies", replies},
            {"reply_bytes", replyBytes},
            {"request_bytes", requestBytes},
            {"probe", probe.finish()}};
}

Args parse(int argc, char** argv, int from) {
    Args a;
    for (int i = from; i + 1 < argc; i += 2) {
        std::string k = argv[i];
        if (k.rfind("--", 0) == 0) a.values[k.substr(2)] = argv[i + 1];
    }
    return a;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fputs(
            "usage: tarsel-bench rtt|echo-cpu|stream|flood [--key value ...]\n"
            "  rtt    --count N --pin PIN [--port P]   echo floor and agent ping/pong\n"
            "  echo-cpu --rate R --seconds S          CPU of a bare echo thread\n"
            "  stream --kind move|mixed --rate R --seconds S --pin PIN\n"
            "  flood  --kind endpoints|wrongpin|scan|bigjson|fetch|commands|spread|sync|bigsync|\n"
            "         bignames\n"
            "         [--count N | --rate R --seconds S"
            " --addresses A] --pin PIN\n",
            stderr);
        return 64;
    }
    std::string cmd = argv[1];
    Args a = parse(argc, argv, 2);
    Json out;
    if (cmd == "rtt") {
        int count = static_cast<int>(std::min(a.num("count", 10000), 1e6));
        std::string payload = ping(a.get("pin", "246810"));
        out = {{"echo", echoRoundTrips(payload, count)},
               {"agent", roundTrips(static_cast<int>(a.num("port", 3000)), payload, count)}};
    } else if (cmd == "echo-cpu") {
        out = echoCpu(a.num("rate", 1000), std::min(a.num("seconds", 10), 60.0));
    } else if (cmd == "stream") {
        out = stream(a);
    } else if (cmd == "flood") {
        out = flood(a);
    } else {
        std::fprintf(stderr, "unknown command %s\n", cmd.c_str());
        return 64;
    }
    std::puts(out.dump().c_str());
    return 0;
}
