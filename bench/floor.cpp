// The floor: the least a program can do to turn a phone's move into a pointer
// move, for bench/run.py to set the agent's cost against. One thread, epoll
// and recvmmsg, a flat scan with no allocation, the PIN comparison, a lockout
// lookup, the client record, the backlog and budget checks, 1.5× with the
// fraction carried and clamping, one effect per move (a record line, or an
// XTest motion) and one flush per batch.
//
// Usage: tarsel-floor --pin PIN [--record FILE | --x11] [--port 3000]
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/epoll.h>
#include <sys/socket.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string_view>
#include <unordered_map>

namespace {

constexpr int kBatch = 16;
constexpr int kSlot = 2048;

// The value of "key" in a flat object: a string's contents or a number's text.
std::optional<std::string_view> field(std::string_view json, std::string_view key) {
    for (std::size_t at = json.find('"'); at != json.npos; at = json.find('"', at + 1)) {
        if (json.compare(at + 1, key.size(), key) != 0 || json[at + 1 + key.size()] != '"')
            continue;
        std::size_t v = json.find_first_not_of(" :", at + key.size() + 2);
        if (v == json.npos) return std::nullopt;
        if (json[v] == '"') {
            std::size_t end = json.find('"', v + 1);
            if (end == json.npos) return std::nullopt;
            return json.substr(v + 1, end - v - 1);
        }
        std::size_t end = json.find_first_of(",}", v);
        return json.substr(v, end == json.npos ? json.npos : end - v);
    }
    return std::nullopt;
}

double monotonic() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

struct Pointer {
    double x = 500, y = 400;
    double width = 1920, height = 1080;
    void move(long dx, long dy) {
        x = std::clamp(x + 1.5 * static_cast<double>(dx), 0.0, width - 1);
        y = std::clamp(y + 1.5 * static_cast<double>(dy), 0.0, height - 1);
    }
};

struct Effects {
    FILE* record = nullptr;
    Display* display = nullptr;
    void move(const Pointer& p) {
        if (record)
            std::fprintf(record, "{\"t\":%.6f,\"op\":\"mouse\",\"type\":5,\"x\":%g,\"y\":%g}\n",
                         monotonic(), p.x, p.y);
        if (display)
            XTestFakeMotionEvent(display, -1, static_cast<int>(p.x), static_cast<int>(p.y),
                                 CurrentTime);
    }
    void flush() {
        if (record) std::fflush(record);
        if (display) XFlush(display);
    }
};

struct State {
    std::string_view pin;
    std::unordered_map<std::uint64_t, int> failures;  // the lockout table
    std::unordered_map<std::uint64_t, double> clients;
    std::size_t backlog = 0, budget = 1000;
    Pointer pointer;
};

std::uint64_t endpointKey(const sockaddr_in& from) {
    return (std::uint64_t{from.sin_addr.s_addr} << 16) | from.sin_port;
}

long number(std::optional<std::string_view> text) {
    long value = 0;
    if (text) std::from_chars(text->data(), text->data() + text->size(), value);
    return value;
}

// Returns whether the datagram was a move carried out.
bool handle(State& s, Effects& out, std::string_view json, const sockaddr_in& from) {
    const std::uint64_t key = endpointKey(from);
    if (auto f = s.failures.find(key); f != s.failures.end() && f->second >= 5) return false;
    if (json.find("scan") != json.npos && json.size() < 8) return false;
    if (field(json, "pin") != s.pin) return ++s.failures[key], false;
    s.clients[key] = monotonic();
    if (field(json, "type") != "move" || s.backlog >= s.budget) return false;
    s.pointer.move(number(field(json, "dx")), number(field(json, "dy")));
    out.move(s.pointer);
    return true;
}

int openSocket(int port) {
    int fd = socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(static_cast<uint16_t>(port));
    a.sin_addr.s_addr = htonl(INADDR_ANY);
    if (bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
        std::perror("bind");
        std::exit(1);
    }
    return fd;
}

}  // namespace

int main(int argc, char** argv) {
    State s;
    Effects out;
    int port = 3000;
    for (int i = 1; i + 1 < argc || (i < argc && std::strcmp(argv[i], "--x11") == 0); ++i) {
        std::string_view k = argv[i];
        if (k == "--x11") {
            out.display = XOpenDisplay(nullptr);
            if (!out.display) return 1;
            s.pointer.width = DisplayWidth(out.display, 0);
            s.pointer.height = DisplayHeight(out.display, 0);
            continue;
        }
        if (k == "--pin") s.pin = argv[++i];
        if (k == "--record") out.record = std::fopen(argv[++i], "a");
        if (k == "--port") port = std::atoi(argv[++i]);
    }
    const int fd = openSocket(port);
    const int ep = epoll_create1(0);
    epoll_event ev{};
    ev.events = EPOLLIN;
    epoll_ctl(ep, EPOLL_CTL_ADD, fd, &ev);
    static char buffers[kBatch][kSlot];
    mmsghdr msgs[kBatch]{};
    iovec iov[kBatch]{};
    sockaddr_in from[kBatch]{};
    for (int i = 0; i < kBatch; ++i) {
        iov[i] = {buffers[i], kSlot};
        msgs[i].msg_hdr.msg_iov = &iov[i];
        msgs[i].msg_hdr.msg_iovlen = 1;
        msgs[i].msg_hdr.msg_name = &from[i];
    }
    std::printf("ready\n");
    std::fflush(stdout);
    for (;;) {
        epoll_event got{};
        if (epoll_wait(ep, &got, 1, -1) < 0) continue;
        for (;;) {
            for (auto& m : msgs) m.msg_hdr.msg_namelen = sizeof(sockaddr_in);
            const int n = recvmmsg(fd, msgs, kBatch, 0, nullptr);
            if (n <= 0) break;
            for (int i = 0; i < n; ++i)
                handle(s, out, std::string_view(buffers[i], msgs[i].msg_len), from[i]);
            out.flush();
        }
    }
}
