#pragma once
// The alerts' texts in the catalog's language; "{1}" stands for a value. A
// host whose words say so (Linux) gives its own advice on the input permission.
#include <string>

namespace tarsel {

struct AlertWords {
    std::string permissionTitle, permissionText;
    std::string openSettings, forceReset, later;  // forceReset "" where nothing resets
    std::string upToDateTitle, upToDateText;      // with the current version
    std::string newVersionTitle, newVersionText;  // the latest, then the current version
    std::string openDownloadPage, ok;
    std::string installFailedTitle, installFailedText;  // with the reason
    std::string portTakenTitle, portTakenText;          // with the holder

    static AlertWords mac();
    static AlertWords forLinux();
};

// This host's alert texts, in the user's language where the host lets them follow it.
AlertWords alertWords();
// `text` with "{1}" replaced by `value`.
std::string withValue(const std::string& text, const std::string& value);

}  // namespace tarsel
