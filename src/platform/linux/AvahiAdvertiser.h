#pragma once
#include "platform/ServiceAdvertiser.h"

namespace tarsel {

// Publishes through the Avahi daemon's client API on Avahi's own threaded poll.
// Waits for a daemon that is not running yet, re-publishes after a daemon
// restart and renames on a name clash the way the daemon's own tools do.
class AvahiAdvertiser : public ServiceAdvertiser {
  public:
    std::unique_ptr<Advertisement> publish(const std::string& domain, const std::string& type,
                                           const std::string& name, uint16_t port) override;
};

}  // namespace tarsel
