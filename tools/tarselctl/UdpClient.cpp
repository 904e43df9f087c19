#include "UdpClient.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstring>

namespace tarselctl {

struct UdpClient::Address {
    sockaddr_in sin{};
};

UdpClient::UdpClient(const std::string& host, int port, bool broadcast) {
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_DGRAM;
    addrinfo* res = nullptr;
    if (int rc = getaddrinfo(host.c_str(), nullptr, &hints, &res); rc != 0 || !res) {
        error_ = "cannot resolve " + host + ": " + gai_strerror(rc);
        return;
    }
    address_ = new Address;
    address_->sin = *reinterpret_cast<sockaddr_in*>(res->ai_addr);
    address_->sin.sin_port = htons(static_cast<uint16_t>(port));
    freeaddrinfo(res);
    bool isBroadcast = address_->sin.sin_addr.s_addr == htonl(INADDR_BROADCAST);
    if (isBroadcast && !broadcast) {
        error_ = "refusing to broadcast without --broadcast";
        return;
    }
    fd_ = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd_ < 0) {
        error_ = std::string("socket: ") + std::strerror(errno);
        return;
    }
    int on = 1;
    if (broadcast) setsockopt(fd_, SOL_SOCKET, SO_BROADCAST, &on, sizeof on);
}

UdpClient::~UdpClient() {
    if (fd_ >= 0) close(fd_);
    delete address_;
}

bool UdpClient::send(const std::string& payload) {
    ssize_t n = sendto(fd_, payload.data(), payload.size(), 0,
                       reinterpret_cast<sockaddr*>(&address_->sin), sizeof address_->sin);
    if (n < 0) error_ = std::string("send: ") + std::strerror(errno);
    return n >= 0;
}

std::optional<std::string> UdpClient::receive(double seconds) {
    pollfd p{fd_, POLLIN, 0};
    if (poll(&p, 1, static_cast<int>(seconds * 1000)) <= 0) return std::nullopt;
    std::string buf(65536, '\0');
    ssize_t n = recv(fd_, buf.data(), buf.size(), 0);
    if (n < 0) return std::nullopt;
    buf.resize(static_cast<size_t>(n));
    return buf;
}

}  // namespace tarselctl
