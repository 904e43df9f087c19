#pragma once
// What the local control channel answers: `tarselctl pair` opens the pairing
// window and learns the PIN and the time left; `tarselctl pair --close`
// closes it.
#include <asio/thread_pool.hpp>
#include <string>
#include <string_view>

namespace tarsel {

class PairingWindow;

// One JSON line for one request line.
std::string answerControl(std::string_view request, PairingWindow& pairing, const std::string& pin);

// Start-up: serves the control socket on `pool`; a socket that cannot be set
// up is one log line, and the agent runs on without it.
void startControlSocket(asio::thread_pool& pool, PairingWindow& pairing);

}  // namespace tarsel
