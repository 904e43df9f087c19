#pragma once
// The menu as plain data, built from a snapshot of the controller's state.
#include <optional>
#include <string>
#include <vector>

#include "menubar/L10n.h"
#include "menubar/UpdateState.h"

namespace tarsel {

enum class MenuAction {
    none,
    openPairing,
    closePairing,
    forgetBrowser,  // `argument` is its id
    forgetAllBrowsers,
    resumeInput,
    toggleStartAtLogin,
    performSelfUpdate,
    openDownloadPage,
    manualCheckForUpdates,
    openWebsite,
    quit
};

struct MenuEntry {
    std::string title;
    bool enabled = false;
    bool separator = false;
    std::string keyEquivalent;
    MenuAction action = MenuAction::none;
    std::string argument;
    std::vector<MenuEntry> submenu;  // an entry with one opens it
    std::optional<bool> checked;     // a check item, ticked or not
};

struct PairedBrowserLine {
    std::string id, title;  // "Forget Chrome on Android (192.168.1.5)"
};

struct MenuInputs {
    bool listening = true;                // the listener holds its port
    std::string portHolder;               // the user holding it instead, where known
    bool inputPaused = false;             // the desktop's user stopped remote input
    bool restartForNewVersion = false;    // the program file was upgraded under it
    std::optional<std::string> clientIP;  // the active phone, if any
    std::string currentIP;
    std::string pin;
    std::optional<int> pairingSecondsLeft;  // while browser or phone pairing is open
    std::vector<PairedBrowserLine> browsers;
    std::string browsersTitle, forgetAllTitle;
    std::string appVersion;
    UpdateState updateState = UpdateState::idle;
    std::optional<std::string> latestVersion;
    bool checkedOnce = false;           // a check has succeeded
    bool canInstall = true;             // the platform installs updates itself
    std::optional<bool> startsAtLogin;  // none where nothing starts the agent at log-in
};

std::vector<MenuEntry> buildMenuModel(const MenuInputs& in, const L10n& strings);

}  // namespace tarsel
