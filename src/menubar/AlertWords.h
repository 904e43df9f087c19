#pragma once
// The alerts' texts. The Mac's are Korean whatever the language; a host whose
// words say so (Linux) shows them in the menu's language, with its own advice
// on the input permission.
#include <string>

namespace tarsel {

struct AlertWords {
    std::string permissionTitle, permissionText;
    std::string openSettings, forceReset, later;  // forceReset "" where nothing resets
    std::string upToDateTitle, upToDateText;      // "{}" is the current version
    std::string newVersionTitle, newVersionText;  // the latest, then the current version
    std::string openDownloadPage, ok;
    std::string installFailedTitle, installFailedText;  // "{}" is the reason
    std::string portTakenTitle, portTakenText;          // "{}" is the holder

    static AlertWords mac();
    static AlertWords linuxKorean();
    static AlertWords linuxEnglish();
};

// This host's alert texts, in the user's language where the host lets them follow it.
AlertWords alertWords();
// `text` with its first "{}" replaced by `value`.
std::string withValue(std::string text, const std::string& value);

}  // namespace tarsel
