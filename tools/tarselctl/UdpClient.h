#pragma once
// A UDP socket towards one agent, with bounded waits.
#include <optional>
#include <string>

namespace tarselctl {

class UdpClient {
  public:
    UdpClient(const std::string& host, int port, bool broadcast);
    ~UdpClient();
    bool ok() const { return fd_ >= 0; }
    const std::string& error() const { return error_; }
    bool send(const std::string& payload);
    // The next datagram, or nothing once `seconds` have passed.
    std::optional<std::string> receive(double seconds);

  private:
    int fd_ = -1;
    std::string error_;
    struct Address;
    Address* address_ = nullptr;
};

}  // namespace tarselctl
