#include "ControlClient.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <utility>

#include "runtime/LocalControl.h"

namespace tarselctl {
namespace {

struct Fd {
    int fd;
    explicit Fd(int f) : fd(f) {}
    Fd(Fd&& other) noexcept : fd(std::exchange(other.fd, -1)) {}
    Fd& operator=(Fd&&) = delete;
    ~Fd() {
        if (fd >= 0) close(fd);
    }
};

// An answer is one short line; nothing longer is read.
constexpr std::size_t kLongestAnswer = 4096;

// The agent's socket: the first place whose folder is this user's own and
// where something listens. Never a socket that another user could have put there.
std::optional<Fd> connectAgent(std::string& error) {
    for (const std::string& path : tarsel::controlSocketPaths()) {
        if (auto checked = tarsel::checkControlFolder(path); !checked) {
            error = "no agent of this user is running (" + checked.error() + ")";
            continue;
        }
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
        Fd s{socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0)};
        if (s.fd >= 0 && connect(s.fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0)
            return s;
        error = "cannot reach the agent at " + path + ": " + std::strerror(errno);
    }
    return std::nullopt;
}

}  // namespace

std::optional<std::string> askAgent(const std::string& request, double seconds,
                                    std::string& error) {
    auto s = connectAgent(error);
    if (!s) return std::nullopt;
    const std::string line = request + "\n";
    if (send(s->fd, line.data(), line.size(), MSG_NOSIGNAL) != static_cast<ssize_t>(line.size()))
        return error = std::string("send: ") + std::strerror(errno), std::nullopt;
    std::string answer;
    char buf[512];
    pollfd p{s->fd, POLLIN, 0};
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (answer.find('\n') == std::string::npos && answer.size() < kLongestAnswer) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0 || poll(&p, 1, static_cast<int>(left.count())) <= 0) break;
        ssize_t n = recv(s->fd, buf, sizeof buf, 0);
        if (n <= 0) break;
        answer.append(buf, static_cast<std::size_t>(n));
    }
    if (answer.find('\n') == std::string::npos)
        return error = "no answer from the agent within the timeout", std::nullopt;
    return answer.substr(0, answer.find('\n'));
}

}  // namespace tarselctl
