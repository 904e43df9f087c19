#pragma once
// DNS-SD publication. Destroying the handle withdraws the advertisement.
#include <cstdint>
#include <memory>
#include <string>

#include "runtime/Log.h"
#include "runtime/Text.h"

namespace tarsel {

class Advertisement {
  public:
    virtual ~Advertisement() = default;
};

// Said by an advertiser once the service is really published (the daemon
// accepted it), never merely because it was asked to.
inline void logAdvertised(const std::string& name, uint16_t port) {
    logLine(tr("📡 [mDNS] _tarsel._udp advertising started ({1}:{2})", name, port));
}

class ServiceAdvertiser {
  public:
    virtual ~ServiceAdvertiser() = default;
    // Never fails towards the caller: problems are handled (and logged) inside.
    virtual std::unique_ptr<Advertisement> publish(const std::string& domain,
                                                   const std::string& type, const std::string& name,
                                                   uint16_t port) = 0;
};

}  // namespace tarsel
