#pragma once
#include <cstdint>

namespace tarsel {

// Ends every other process that holds the UDP port; blocks until done.
void killProcessOnPort(uint16_t port);

}  // namespace tarsel
