#include "ControlClient.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "runtime/LocalControl.h"

namespace tarselctl {
namespace {

struct Fd {
    int fd;
    ~Fd() {
        if (fd >= 0) close(fd);
    }
};

}  // namespace

std::optional<std::string> askAgent(const std::string& request, double seconds,
                                    std::string& error) {
    const std::string path = tarsel::controlSocketPath();
    // Never talk to a socket that another user could have put there.
    if (auto checked = tarsel::checkControlFolder(path); !checked) {
        error = "no agent of this user is running (" + checked.error() + ")";
        return std::nullopt;
    }
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof address.sun_path)
        return error = "path too long: " + path, std::nullopt;
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    Fd s{socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0)};
    if (s.fd < 0 || connect(s.fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        error = "cannot reach the agent at " + path + ": " + std::strerror(errno);
        return std::nullopt;
    }
    const std::string line = request + "\n";
    if (send(s.fd, line.data(), line.size(), MSG_NOSIGNAL) != static_cast<ssize_t>(line.size()))
        return error = std::string("send: ") + std::strerror(errno), std::nullopt;
    std::string answer;
    char buf[512];
    pollfd p{s.fd, POLLIN, 0};
    while (answer.find('\n') == std::string::npos && poll(&p, 1, int(seconds * 1000)) > 0) {
        ssize_t n = recv(s.fd, buf, sizeof buf, 0);
        if (n <= 0) break;
        answer.append(buf, static_cast<std::size_t>(n));
    }
    if (answer.find('\n') == std::string::npos)
        return error = "no answer from the agent within the timeout", std::nullopt;
    return answer.substr(0, answer.find('\n'));
}

}  // namespace tarselctl
