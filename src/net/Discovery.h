#pragma once
// What counts as a scan, the discovery reply, and the record of the last phone.
#include <optional>
#include <string>
#include <string_view>

#include "app/Globals.h"

namespace tarsel {

bool isScanRequest(std::string_view text);

// "device_info:" name|address|"mac"|PIN|version, nothing escaped.
std::string discoveryReply(const std::string& computerName, const std::string& address,
                           const std::string& pin, const std::string& version);

void recordClient(const std::string& ip);
std::optional<ClientRecord> getActiveClient();

}  // namespace tarsel
