#pragma once
// The menu's texts, in the language of the translation catalog.
#include <functional>
#include <string>
#include <vector>

#include "platform/HostWords.h"

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
    std::string downloadVersion;  // where nothing installs updates, with the version
    std::string upToDate;
    std::string checkForUpdates;
    std::string updDownloading;
    std::string updVerifying;
    std::string updInstalling;
    std::string openPairing;
    std::string pairingOpen;  // with the time left, as m:ss
    std::string closePairing;
    std::string notListening;
    std::string portHeldBy;   // with the user whose program holds the port
    std::string inputPaused;  // the desktop's user stopped remote input
    std::string resumeInput;
    std::string startAtLogin;  // a check item
    std::string restartForNewVersion;

    // In the catalog's language; "{1}" stands for the value in the texts that take one.
    static L10n translated(const std::string& websiteHost, const HostWords& words);
    // Made once per process, after the catalog is installed.
    static const L10n& current();
};

// The user's preferred languages: LANGUAGE (a colon-separated list), else the
// first of LC_ALL, LC_MESSAGES, LANG that is set and not empty.
// `env` answers "" for an unset variable.
std::vector<std::string> preferredLanguages(
    const std::function<std::string(const std::string&)>& env);
std::vector<std::string> preferredLanguages();

}  // namespace tarsel
