#pragma once
// DNS-SD publication. Destroying the handle withdraws the advertisement.
#include <cstdint>
#include <memory>
#include <string>

namespace tarsel {

class Advertisement {
  public:
    virtual ~Advertisement() = default;
};

class ServiceAdvertiser {
  public:
    virtual ~ServiceAdvertiser() = default;
    // Never fails towards the caller: problems are handled (and logged) inside.
    virtual std::unique_ptr<Advertisement> publish(const std::string& domain,
                                                   const std::string& type, const std::string& name,
                                                   uint16_t port) = 0;
};

}  // namespace tarsel
