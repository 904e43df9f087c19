#pragma once
#include "platform/PathMonitor.h"

namespace tarsel {

// Watches address and link changes of every non-loopback interface through a
// netlink socket, so a wired-only desktop refreshes its address too. "Satisfied"
// means some non-loopback interface is up with an IPv4 address.
class NetlinkPathMonitor : public PathMonitor {
  public:
    std::unique_ptr<PathWatch> start(std::function<void(bool satisfied)> onUpdate) override;
};

}  // namespace tarsel
