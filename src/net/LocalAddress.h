#pragma once
// Finding the LAN address shown in the banner, the discovery reply and the menu.
#include <optional>
#include <string>
#include <vector>

namespace tarsel {

std::optional<std::string> getIP(const std::string& interfaceName);
// Wireless, then wired interface; then the first private address of the host.
std::string getLocalIP();
// The pure choice behind getLocalIP(), for a given set of answers.
std::string chooseLocalIP(const std::vector<std::optional<std::string>>& interfaceAnswers,
                          const std::vector<std::string>& hostAddresses);

}  // namespace tarsel
