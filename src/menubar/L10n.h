#pragma once
// The menu's texts, Korean or English. Log lines stay Korean.
#include <functional>
#include <string>
#include <vector>

namespace tarsel {

struct L10n {
    std::string connected;
    std::string waiting;
    std::string macIP;
    std::string pin;
    std::string appName;
    std::string openWebsite;
    std::string quit;
    std::string newVersionAvailable;
    std::string downloadVersion;  // where nothing installs updates; "{}" is the version
    std::string upToDate;
    std::string checkForUpdates;
    std::string updDownloading;
    std::string updVerifying;
    std::string updInstalling;
    std::string openPairing;
    std::string pairingOpen;  // "{}" stands for the time left, as m:ss
    std::string closePairing;
    std::string notListening;
    std::string portHeldBy;   // "{}" is the user whose program holds the port
    std::string inputPaused;  // the desktop's user stopped remote input
    std::string resumeInput;
    std::string startAtLogin;  // a check item
    bool inKorean = false;

    static L10n korean(const std::string& websiteHost);
    static L10n english(const std::string& websiteHost);
    // Korean when the first preferred language begins with "ko", else English.
    static L10n forLanguages(const std::vector<std::string>& preferred,
                             const std::string& websiteHost);
    // Chosen once per process from the environment and the website host.
    static const L10n& current();
};

// The user's preferred languages: LANGUAGE (a colon-separated list), else the
// first of LC_ALL, LC_MESSAGES, LANG that is set and not empty.
// `env` answers "" for an unset variable.
std::vector<std::string> preferredLanguages(
    const std::function<std::string(const std::string&)>& env);
std::vector<std::string> preferredLanguages();

}  // namespace tarsel
