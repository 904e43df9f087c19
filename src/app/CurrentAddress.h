#pragma once
// The LAN address as it is now: read once at start, again at each network change.
#include <string>

namespace tarsel {

std::string getCurrentIP();
void updateCurrentIP();
void startNetworkPathMonitoring();

}  // namespace tarsel
