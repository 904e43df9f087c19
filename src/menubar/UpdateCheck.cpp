#include "menubar/UpdateCheck.h"

#include "menubar/TrustedUrl.h"
#include "runtime/Json.h"

namespace tarsel {
namespace {

std::optional<std::string> stringMember(const Json& object, const char* key) {
    auto it = object.find(key);
    if (it == object.end() || !it->is_string()) return std::nullopt;
    return it->get<std::string>();
}

// digits(.digits)*, at most 32 characters: anything else is not a version of
// ours and would only make a huge menu item and alert.
bool isVersion(const std::string& text) {
    if (text.empty() || text.size() > 32 || text.front() == '.' || text.back() == '.') return false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '.' ? text[i - 1] == '.' : (c < '0' || c > '9')) return false;
    }
    return true;
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
    if (!latest || !isVersion(*latest)) return std::nullopt;
    ManifestInfo info;
    info.latest = *latest;
    // The download page is opened for the user: only the website itself, over
    // https, as for the disk image; anything else gives the built-in page.
    auto url = stringMember(*mac, "url");
    info.downloadURL =
        url && isTrustedDownloadAddress(*url, defaultDownloadPage) ? *url : defaultDownloadPage;
    info.dmgURL = stringMember(*mac, "dmg_url");
    info.sha256 = stringMember(*mac, "sha256");
    return info;
}

}  // namespace tarsel
