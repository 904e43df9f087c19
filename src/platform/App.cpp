#include <cstdlib>

#include "platform/Platform.h"

namespace tarsel {
namespace {

std::unique_ptr<Platform>& slot() {
    static std::unique_ptr<Platform> platform;
    return platform;
}

}  // namespace

Platform& platform() {
    if (!slot()) std::abort();  // start-up installs it first
    return *slot();
}

void setPlatform(std::unique_ptr<Platform> platform) {
    slot() = std::move(platform);
}

}  // namespace tarsel
