#pragma once
// Who holds a UDP or TCP port, when it is another user: the owner from the kernel's
// socket tables, the program where /proc lets this user see it.
#include <cstdint>
#include <optional>

#include "platform/Host.h"

namespace tarsel {

std::optional<PortOwner> foreignUdpPortOwner(uint16_t port);
std::optional<PortOwner> foreignTcpPortOwner(uint16_t port);

}  // namespace tarsel
