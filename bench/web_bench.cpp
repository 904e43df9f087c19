// The browser path's load generator for bench/run.py: a native WebSocket
// client that pairs by a QR code's token (or proves a paired key), then sends
// paced sealed moves, or holds a paired browser's pings through a flood of
// slow connections and failed proofs. Prints one JSON object. Loopback only.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "runtime/SecureRandom.h"
#include "web/PairingKeys.h"
#include "web/SealedChannel.h"
#include "web/WebCrypto.h"

#include "BenchTiming.h"

using Json = nlohmann::json;
using namespace tarsel::web;

namespace {

using bench::monotonic;
using bench::sleepUntil;
using bench::summarize;

int connectFrom(const std::string& source, int port) {
    int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in from{}, to{};
    from.sin_family = to.sin_family = AF_INET;
    inet_pton(AF_INET, source.c_str(), &from.sin_addr);
    inet_pton(AF_INET, "127.0.0.1", &to.sin_addr);
    to.sin_port = htons(static_cast<uint16_t>(port));
    int one = 1;
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    if (bind(fd, reinterpret_cast<sockaddr*>(&from), sizeof from) != 0 ||
        connect(fd, reinterpret_cast<sockaddr*>(&to), sizeof to) != 0) {
        close(fd);
        return -1;
    }
    return fd;
}

// One browser: the upgrade, masked text frames out, the agent's frames in.
class Browser {
  public:
    explicit Browser(int port, const std::string& source = "127.0.0.1")
        : fd_(connectFrom(source, port)) {
        if (fd_ < 0) return;
        const std::string host = "127.0.0.1:" + std::to_string(port);
        writeAll("GET /ws HTTP/1.1\r\nHost: " + host + "\r\nOrigin: http://" + host +
                 "\r\nUpgrade: websocket\r\nConnection: Upgrade\r\nSec-WebSocket-Version: 13\r\n"
                 "Sec-WebSocket-Key: dGhlIHNhbXBsZSBub25jZQ==\r\n\r\n");
        while (in_.find("\r\n\r\n") == std::string::npos)
            if (!fill(2.0)) {
                close();
                return;
            }
        ok_ = in_.starts_with("HTTP/1.1 101");
        in_.erase(0, in_.find("\r\n\r\n") + 4);
    }
    ~Browser() { close(); }
    bool ok() const { return ok_ && fd_ >= 0; }
    void close() {
        if (fd_ >= 0) ::close(fd_);
        fd_ = -1;
    }

    void send(std::string_view text) { writeAll(framed(text)); }

    static std::string framed(std::string_view text) {
        std::string frame(1, '\x81');
        if (text.size() < 126) {
            frame += static_cast<char>(0x80 | text.size());
        } else {
            frame += static_cast<char>(0x80 | 126);
            frame += static_cast<char>(text.size() >> 8);
            frame += static_cast<char>(text.size() & 0xff);
        }
        frame.append("\0\0\0\0", 4);  // a zero mask leaves the payload as it is
        frame.append(text);
        return frame;
    }

    // The next text message, or none within `seconds` or on a close.
    std::optional<std::string> receive(double seconds) {
        const double until = monotonic() + seconds;
        for (;;) {
            if (in_.size() >= 2) {
                std::size_t length = static_cast<uint8_t>(in_[1]) & 0x7f, head = 2;
                if (length == 126 && in_.size() >= 4) {
                    length = static_cast<uint8_t>(in_[2]) << 8 | static_cast<uint8_t>(in_[3]);
                    head = 4;
                }
                if (length < 126 || head == 4) {
                    if (in_.size() >= head + length) {
                        const int opcode = in_[0] & 0x0f;
                        std::string payload = in_.substr(head, length);
                        in_.erase(0, head + length);
                        if (opcode == 0x8) return std::nullopt;
                        if (opcode == 0x1) return payload;
                        continue;
                    }
                }
            }
            if (!fill(until - monotonic())) return std::nullopt;
        }
    }

    // Pairs by a token, or proves a paired key; the session from then on.
    bool pair(const std::string& token) {
        auto raw = base64urlDecode(token);
        auto keys = raw ? keysFromToken(bytesOf(*raw)) : std::nullopt;
        if (!keys) return false;
        key_ = keys->key;
        return prove(Json{{"t", "pair"}, {"id", keys->pairId}, {"name", "bench"}});
    }
    bool hello(const std::string& id, const Key& key) {
        key_ = key;
        return prove(Json{{"t", "hello"}, {"id", id}});
    }
    // A failed proof: a known id and a wrong answer.
    void wrongProof(const std::string& id) {
        send(Json{{"t", "hello"}, {"id", id}, {"nonce", base64url(std::array<uint8_t, 16>{})}}
                 .dump());
        if (!receive(1.0)) return;
        send(Json{{"t", "proof"}, {"mac", base64url(std::array<uint8_t, 32>{})}}.dump());
        (void)receive(1.0);
    }

    void sendSealed(const std::string& message) { send(channel_->seal(message)); }
    // The frame of a sealed message, to send later with sendFrame().
    std::string sealedFrame(const std::string& message) {
        std::string frame = framed(channel_->seal(message));
        return frame;
    }
    void sendFrame(const std::string& frame) { writeAll(frame); }
    std::optional<std::string> receiveSealed(double seconds) {
        auto frame = receive(seconds);
        if (!frame) return std::nullopt;
        auto plain = channel_->open(*frame);
        return plain ? std::optional<std::string>(*plain) : std::nullopt;
    }
    const std::string& id() const { return id_; }
    const Key& key() const { return key_; }
    int fd() const { return fd_; }

  private:
    bool prove(Json first) {
        std::array<uint8_t, 16> nonce{};
        if (!tarsel::secureRandomBytes(nonce.data(), nonce.size())) return false;
        first["nonce"] = base64url(nonce);
        send(first.dump());
        auto challenge = receive(2.0);
        if (!challenge) return false;
        auto agentNonce = base64urlDecode(Json::parse(*challenge).value("nonce", ""));
        if (!agentNonce) return false;
        send(Json{{"t", "proof"},
                  {"mac", base64url(browserProof(key_, bytesOf(*agentNonce), nonce))}}
                 .dump());
        auto ready = receive(2.0);
        if (!ready) return false;
        Json r = Json::parse(*ready);
        if (r.value("t", "") != "ready") return false;
        id_ = r.value("id", "");
        auto keys = sessionKeys(key_, bytesOf(*agentNonce), nonce);
        // The agent's channel, mirrored: this side seals what the agent opens.
        channel_ = std::make_unique<SealedChannel>(SessionKeys{keys->toBrowser, keys->toAgent});
        return true;
    }
    bool fill(double seconds) {
        pollfd p{fd_, POLLIN, 0};
        if (fd_ < 0 || poll(&p, 1, std::max(0, static_cast<int>(seconds * 1000))) <= 0)
            return false;
        char buf[65536];
        ssize_t n = recv(fd_, buf, sizeof buf, 0);
        if (n <= 0) return false;
        in_.append(buf, static_cast<std::size_t>(n));
        return true;
    }
    void writeAll(const std::string& data) {
        std::size_t at = 0;
        while (fd_ >= 0 && at < data.size()) {
            ssize_t n = ::send(fd_, data.data() + at, data.size() - at, MSG_NOSIGNAL);
            if (n <= 0) return;
            at += static_cast<std::size_t>(n);
        }
    }

    int fd_;
    bool ok_ = false;
    std::string in_, id_;
    Key key_{};
    std::unique_ptr<SealedChannel> channel_;
};

// The same deltas as the UDP stream's moves, so the orchestrator matches both alike.
std::pair<int, int> moveDelta(int i) {
    int a = 1 + (i / 2) % 40, b = 1 + (i / 2) % 31;
    return i % 2 == 0 ? std::pair{a, b} : std::pair{-a, -b};
}

std::map<std::string, std::string> arguments(int argc, char** argv) {
    std::map<std::string, std::string> out;
    for (int i = 2; i + 1 < argc; i += 2) out[argv[i] + 2] = argv[i + 1];
    return out;
}

// A paired browser's moves at `rate` for `seconds`; acknowledgements drained beside.
Json stream(Browser& b, double rate, double seconds) {
    std::atomic<bool> done{false};
    const int fd = b.fd();
    std::thread drain([&] {
        char buf[65536];
        while (!done) {
            pollfd p{fd, POLLIN, 0};
            if (poll(&p, 1, 50) > 0 && recv(fd, buf, sizeof buf, 0) <= 0) break;
        }
    });
    const int total = static_cast<int>(rate * seconds);
    Json sends = Json::array();
    const double start = monotonic() + 0.05;
    for (int i = 0; i < total; ++i) {
        auto [dx, dy] = moveDelta(i);
        const std::string m =
            R"({"type":"move","dx":)" + std::to_string(dx) + R"(,"dy":)" + std::to_string(dy) + "}";
        const std::string frame = b.sealedFrame(m);  // sealed before the clock starts, as a
        sleepUntil(start + i / rate);                // datagram is built before it is sent
        const double t = monotonic();
        b.sendFrame(frame);
        sends.push_back(Json::array({i, "move", t}));
    }
    done = true;
    drain.join();
    return {{"sends", sends}};
}

// Sealed pings from the paired browser and UDP pings from the phone, every 10 ms.
Json pings(Browser& b, const std::string& pin, double seconds) {
    int udp = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(3000);
    inet_pton(AF_INET, "127.0.0.1", &to.sin_addr);
    const std::string udpPing = Json{{"pin", pin}, {"type", "ping"}}.dump();
    std::vector<double> web, phone;
    std::size_t sent = 0;
    for (double end = monotonic() + seconds; monotonic() < end; ++sent) {
        double t0 = monotonic();
        b.sendSealed(R"({"type":"ping"})");
        for (auto r = b.receiveSealed(0.5); r; r = b.receiveSealed(0.5))
            if (*r == "pong") {
                web.push_back((monotonic() - t0) * 1e6);
                break;
            }
        t0 = monotonic();
        sendto(udp, udpPing.data(), udpPing.size(), 0, reinterpret_cast<sockaddr*>(&to), sizeof to);
        pollfd p{udp, POLLIN, 0};
        char buf[256];
        if (poll(&p, 1, 500) > 0 && recv(udp, buf, sizeof buf, 0) == 4)
            phone.push_back((monotonic() - t0) * 1e6);
        sleepUntil(t0 + 0.01);
    }
    ::close(udp);
    return {{"browser", summarize(web, sent)}, {"phone", summarize(phone, sent)}};
}

// 1,000 slow connections from 100 addresses, one header byte each a second
// (closed ones are opened again), and 100 failed proofs a second.
Json flood(const std::string& token, const std::string& pin, double seconds) {
    Browser paired(3090);
    if (!paired.ok() || !paired.pair(token)) return {{"error", "could not pair"}};
    const std::string id = paired.id();
    const Key key = paired.key();
    std::atomic<bool> done{false};
    std::thread slow([&] {
        std::vector<int> fds(1000, -1);
        while (!done) {
            for (std::size_t i = 0; i < fds.size() && !done; ++i) {
                if (fds[i] < 0)
                    fds[i] = connectFrom("127.2." + std::to_string(i % 100) + ".1", 3090);
                if (fds[i] >= 0 && ::send(fds[i], "G", 1, MSG_NOSIGNAL) != 1) {
                    ::close(fds[i]);
                    fds[i] = -1;
                }
            }
            std::this_thread::sleep_for(std::chrono::seconds(1));
        }
        for (int fd : fds)
            if (fd >= 0) ::close(fd);
    });
    std::thread proofs([&] {
        for (int n = 0; !done; ++n) {
            const double t0 = monotonic();
            Browser b(3090, "127.3." + std::to_string(n % 200) + ".1");
            if (b.ok()) b.wrongProof(id);
            sleepUntil(t0 + 0.01);
        }
    });
    std::this_thread::sleep_for(std::chrono::seconds(2));  // the flood at full strength
    Json out = pings(paired, pin, seconds);
    std::vector<double> reconnects;
    for (int i = 0; i < 5; ++i) {
        const double t0 = monotonic();
        Browser again(3090);
        if (again.ok() && again.hello(id, key)) reconnects.push_back((monotonic() - t0) * 1e6);
    }
    done = true;
    slow.join();
    proofs.join();
    out["reconnect"] = summarize(reconnects, 5);
    return out;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fputs(
            "usage: tarsel-web-bench stream --token T --rate R --seconds S\n"
            "       tarsel-web-bench flood --token T --pin PIN --seconds S\n",
            stderr);
        return 64;
    }
    const std::string cmd = argv[1];
    auto a = arguments(argc, argv);
    Json out;
    if (cmd == "stream") {
        Browser b(3090);
        if (!b.ok() || !b.pair(a["token"])) return std::puts(R"({"error":"could not pair"})"), 1;
        out = stream(b, std::stod(a["rate"]), std::stod(a["seconds"]));
    } else if (cmd == "flood") {
        out = flood(a["token"], a["pin"], std::stod(a["seconds"]));
    }
    std::puts(out.dump().c_str());
    return 0;
}
