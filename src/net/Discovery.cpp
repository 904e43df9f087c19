#include "net/Discovery.h"

#include "runtime/Json.h"
#include "runtime/Unicode.h"

namespace tarsel {

bool isScanObject(const Json& request) {
    if (!request.is_object()) return false;
    auto it = request.find("type");
    return it != request.end() && it->is_string() && it->get_ref<const std::string&>() == "scan";
}

bool isScanRequest(std::string_view text) {
    const std::string trimmed = unicode::trimWhitespaceAndNewlines(text);
    if (trimmed == "scan") return true;
    auto doc = parseJsonDocument(trimmed);
    return doc.value && isScanObject(*doc.value);
}

std::string discoveryReply(const std::string& computerName, const std::string& address,
                           const std::string& pin, const std::string& version) {
    return "device_info:" + computerName + "|" + address + "|mac|" + pin + "|" + version;
}

}  // namespace tarsel
