#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tarsel {

// Six user-perceived characters, each numeric in the Unicode sense.
bool isValidStoredPIN(const std::string& pin);
// Six ASCII digits, leading zeros kept; nothing when the secure random source
// failed (a predictable PIN would be worse than none).
std::optional<std::string> generatePIN();

enum class PinSource { commandLine, stored, generated };

// The static PIN from the command line, else the stored one, else a new one
// (which is then saved beside the file's other settings). Logs exactly one
// line, or two when saving fails. Without a secure random source it logs why
// and returns "", which no request matches. `source` says where it came from.
std::string loadOrCreatePIN(const std::vector<std::string>& arguments,
                            const std::string& configPath, PinSource* source = nullptr);

// The valid PIN stored at `configPath`, if any; logs nothing.
std::optional<std::string> readStoredPIN(const std::string& configPath);

// "discovery_pin": "always" in config.json: the discovery reply carries the
// PIN outside the pairing window too.
bool discoveryPinAlways(const std::string& configPath);

// "web_port" in config.json: the phone page's TCP port; 0 turns it off.
inline constexpr uint16_t kDefaultWebPort = 3090;
uint16_t webPort(const std::string& configPath);

}  // namespace tarsel
