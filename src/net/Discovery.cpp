#include "net/Discovery.h"

#include "runtime/Json.h"
#include "runtime/Unicode.h"

namespace tarsel {

bool isScanRequest(std::string_view text) {
    std::string trimmed = unicode::trimWhitespaceAndNewlines(text);
    if (trimmed == "scan") return true;
    if (trimmed.empty() || trimmed.front() != '{') return false;
    auto doc = parseJsonDocument(trimmed);
    if (!doc.value || !doc.value->is_object()) return false;
    auto it = doc.value->find("type");
    return it != doc.value->end() && it->is_string() && it->get<std::string>() == "scan";
}

std::string discoveryReply(const std::string& computerName, const std::string& address,
                           const std::string& pin, const std::string& version) {
    return "device_info:" + computerName + "|" + address + "|mac|" + pin + "|" + version;
}

}  // namespace tarsel
