#pragma once
// What counts as a scan, and the discovery reply.
#include <optional>
#include <string>
#include <string_view>

namespace tarsel {

bool isScanRequest(std::string_view text);

// "device_info:" name|address|"mac"|PIN|version, nothing escaped.
std::string discoveryReply(const std::string& computerName, const std::string& address,
                           const std::string& pin, const std::string& version);

}  // namespace tarsel
