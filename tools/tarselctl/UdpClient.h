#pragma once
// A UDP socket towards one agent, with bounded waits.
#include <optional>
#include <string>

namespace tarselctl {

class UdpClient {
  public:
    UdpClient(const std::string& host, int port, bool broadcast);
    ~UdpClient();
    bool ok() const { return fd_ >= 0 && error_.empty(); }
    const std::string& error() const { return error_; }
    bool send(const std::string& payload);
    // The next datagram from the agent, or nothing once `seconds` have passed.
    // Unicast: the socket is connected, so only the agent's address and port
    // can answer. Broadcast: only answers from the agent's port count, and
    // `from` names their address.
    std::optional<std::string> receive(double seconds, std::string* from = nullptr);

  private:
    int fd_ = -1;
    int port_ = 0;
    bool broadcast_ = false;
    std::string error_;
    struct Address;
    Address* address_ = nullptr;
};

}  // namespace tarselctl
