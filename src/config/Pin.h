#pragma once
#include <string>
#include <vector>

namespace tarsel {

// Six user-perceived characters, each numeric in the Unicode sense.
bool isValidStoredPIN(const std::string& pin);
std::string generatePIN();  // six ASCII digits, leading zeros kept

// The static PIN from the command line, else the stored one, else a new one
// (which is then saved). Logs exactly one line, or two when saving fails.
std::string loadOrCreatePIN(const std::vector<std::string>& arguments,
                            const std::string& configPath);

}  // namespace tarsel
