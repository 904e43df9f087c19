#pragma once

#include <asio/thread_pool.hpp>
#include <string>

namespace tarsel {

class RequestHandler;
class PairingWindow;

// Frees the port, starts the address monitor, prints the banner, opens the
// listener and publishes the DNS-SD advertisement.
// The listener receives and handles on `network`; verified requests go to
// `requests`; `pairing` says whether discovery replies carry the PIN.
void startServer(asio::thread_pool& network, RequestHandler& requests, PairingWindow& pairing);
// Whether the listener holds its port (false while it retries, or without one).
bool isListening();
// While another user's program holds the port: that user, else "".
std::string portHolder();

}  // namespace tarsel
