#pragma once
#include <cstdint>

namespace tarsel {

// Ends every other process that holds the UDP port; blocks until done. After
// a failed bind (`bindFailed`) a search that finds no holder says so instead
// of calling the port free: the holder may be another user's.
void killProcessOnPort(uint16_t port, bool bindFailed = false);
// The lines of a check that found the port free, for a bind that succeeded.
void reportPortFree(uint16_t port);

}  // namespace tarsel
