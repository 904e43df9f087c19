#pragma once
// Reading the version manifest: only its "mac" object counts.
#include <optional>
#include <string>

namespace tarsel {

struct ManifestInfo {
    std::string latest;
    std::string downloadURL;  // "url", else the built-in downloads page
    std::optional<std::string> dmgURL;
    std::optional<std::string> sha256;
};

// Nothing when the body is not a JSON object with an object "mac" holding a
// string "latest". Members of the wrong type count as absent.
std::optional<ManifestInfo> parseManifest(const std::string& body,
                                          const std::string& defaultDownloadPage);

}  // namespace tarsel
