#pragma once
#include <optional>
#include <string>
#include <vector>

namespace tarsel {

// Six user-perceived characters, each numeric in the Unicode sense.
bool isValidStoredPIN(const std::string& pin);
// Six ASCII digits, leading zeros kept; nothing when the secure random source
// failed (a predictable PIN would be worse than none).
std::optional<std::string> generatePIN();

// The static PIN from the command line, else the stored one, else a new one
// (which is then saved). Logs exactly one line, or two when saving fails.
// Without a secure random source it logs why and returns "", which no
// request matches.
std::string loadOrCreatePIN(const std::vector<std::string>& arguments,
                            const std::string& configPath);

}  // namespace tarsel
