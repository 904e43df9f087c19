#include "menubar/UpdateCheck.h"

#include "runtime/Json.h"

namespace tarsel {
namespace {

std::optional<std::string> stringMember(const Json& object, const char* key) {
    auto it = object.find(key);
    if (it == object.end() || !it->is_string()) return std::nullopt;
    return it->get<std::string>();
}

}  // namespace

std::optional<ManifestInfo> parseManifest(const std::string& body,
                                          const std::string& defaultDownloadPage) {
    if (body.empty()) return std::nullopt;
    JsonResult parsed = parseJsonDocument(body);
    if (!parsed.value || !parsed.value->is_object()) return std::nullopt;
    auto mac = parsed.value->find("mac");
    if (mac == parsed.value->end() || !mac->is_object()) return std::nullopt;
    auto latest = stringMember(*mac, "latest");
    if (!latest) return std::nullopt;
    ManifestInfo info;
    info.latest = *latest;
    info.downloadURL = stringMember(*mac, "url").value_or(defaultDownloadPage);
    info.dmgURL = stringMember(*mac, "dmg_url");
    info.sha256 = stringMember(*mac, "sha256");
    return info;
}

}  // namespace tarsel
