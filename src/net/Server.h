#pragma once

namespace tarsel {

// Frees the port, starts the address monitor, prints the banner, opens the
// listener and publishes the DNS-SD advertisement.
void startServer();

}  // namespace tarsel
