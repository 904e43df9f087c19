#pragma once
// The agent's local control socket, as its own user reaches it.
#include <optional>
#include <string>

namespace tarselctl {

// Sends one request line and returns the answer line, or says why not.
std::optional<std::string> askAgent(const std::string& request, double seconds, std::string& error);

}  // namespace tarselctl
