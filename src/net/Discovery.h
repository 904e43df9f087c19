#pragma once
// What counts as a scan, and the discovery reply.
#include <optional>
#include <string>
#include <string_view>

#include "runtime/Json.h"

namespace tarsel {

// The bare word or a JSON object whose "type" is "scan".
bool isScanRequest(std::string_view text);
// Its second half, for a request already parsed (from the trimmed text).
bool isScanObject(const Json& request);

// "device_info:" name|address|"mac"|PIN|version, nothing escaped.
std::string discoveryReply(const std::string& computerName, const std::string& address,
                           const std::string& pin, const std::string& version);

}  // namespace tarsel
