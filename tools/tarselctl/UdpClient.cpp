#include "UdpClient.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
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
    port_ = port;
    broadcast_ = isBroadcast;
    if (broadcast) setsockopt(fd_, SOL_SOCKET, SO_BROADCAST, &on, sizeof on);
    if (!isBroadcast &&
        connect(fd_, reinterpret_cast<sockaddr*>(&address_->sin), sizeof address_->sin) != 0)
        error_ = std::string("connect: ") + std::strerror(errno);
}

UdpClient::~UdpClient() {
    if (fd_ >= 0) close(fd_);
    delete address_;
}

bool UdpClient::send(const std::string& payload) {
    ssize_t n = broadcast_
                    ? sendto(fd_, payload.data(), payload.size(), 0,
                             reinterpret_cast<sockaddr*>(&address_->sin), sizeof address_->sin)
                    : ::send(fd_, payload.data(), payload.size(), 0);
    if (n < 0) error_ = std::string("send: ") + std::strerror(errno);
    return n >= 0;
}

std::optional<std::string> UdpClient::receive(double seconds, std::string* from) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        pollfd p{fd_, POLLIN, 0};
        if (left.count() < 0 || poll(&p, 1, static_cast<int>(left.count())) <= 0)
            return std::nullopt;
        std::string buf(65536, '\0');
        sockaddr_in source{};
        socklen_t size = sizeof source;
        ssize_t n =
            recvfrom(fd_, buf.data(), buf.size(), 0, reinterpret_cast<sockaddr*>(&source), &size);
        if (n < 0) return std::nullopt;  // a refused port, say: nothing will come
        if (ntohs(source.sin_port) != port_) continue;
        buf.resize(static_cast<size_t>(n));
        if (from) {
            char text[INET_ADDRSTRLEN] = "";
            inet_ntop(AF_INET, &source.sin_addr, text, sizeof text);
            *from = text;
        }
        return buf;
    }
}

}  // namespace tarselctl
