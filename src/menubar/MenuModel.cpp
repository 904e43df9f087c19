#include "menubar/MenuModel.h"

#include "menubar/AlertWords.h"
#include "menubar/VersionCompare.h"
#include "runtime/TimeText.h"

namespace tarsel {
namespace {

MenuEntry label(std::string title) {
    return {std::move(title), false, false, "", MenuAction::none, {}, {}, {}};
}
MenuEntry separator() {
    return {"", false, true, "", MenuAction::none, {}, {}, {}};
}
MenuEntry command(std::string title, MenuAction action, std::string key = "") {
    return {std::move(title), true, false, std::move(key), action, {}, {}, {}};
}

std::optional<MenuEntry> updateLine(const MenuInputs& in, const L10n& s) {
    switch (in.updateState) {
        case UpdateState::downloading:
            return label(s.updDownloading);
        case UpdateState::verifying:
            return label(s.updVerifying);
        case UpdateState::installing:
            return label(s.updInstalling);
        case UpdateState::idle:
        case UpdateState::failed:
            break;
    }
    if (in.latestVersion && compareVersionStrings(*in.latestVersion, in.appVersion) >= 1) {
        if (in.canInstall)
            return command(s.newVersionAvailable + " (v" + *in.latestVersion + ")",
                           MenuAction::performSelfUpdate);
        // Nothing here installs it: the item says what it does.
        return command(withValue(s.downloadVersion, *in.latestVersion),
                       MenuAction::openDownloadPage);
    }
    if (in.checkedOnce) return label(s.upToDate);
    return std::nullopt;
}

void addPairing(std::vector<MenuEntry>& menu, const MenuInputs& in, const L10n& s) {
    if (!in.pairingSecondsLeft) {
        menu.push_back(command(s.openPairing, MenuAction::openPairing));
        return;
    }
    const std::string title = withValue(s.pairingOpen, minutesAndSeconds(*in.pairingSecondsLeft));
    menu.push_back(command(title, MenuAction::openPairing));  // shows the window again
    menu.push_back(command(s.closePairing, MenuAction::closePairing));
}

// Each paired browser can be forgotten from the tray, as with `tarselctl web forget`.
void addBrowsers(std::vector<MenuEntry>& menu, const MenuInputs& in) {
    if (in.browsers.empty()) return;
    MenuEntry browsers = command(in.browsersTitle, MenuAction::none);
    for (const auto& b : in.browsers) {
        browsers.submenu.push_back(command(b.title, MenuAction::forgetBrowser));
        browsers.submenu.back().argument = b.id;
    }
    browsers.submenu.push_back(separator());
    browsers.submenu.push_back(command(in.forgetAllTitle, MenuAction::forgetAllBrowsers));
    menu.push_back(std::move(browsers));
}

}  // namespace

std::vector<MenuEntry> buildMenuModel(const MenuInputs& in, const L10n& s) {
    std::vector<MenuEntry> menu;
    if (!in.listening)
        menu.push_back(
            label(in.portHolder.empty() ? s.notListening : withValue(s.portHeldBy, in.portHolder)));
    if (in.restartForNewVersion) menu.push_back(label(s.restartForNewVersion));
    if (in.inputPaused) {
        menu.push_back(label(s.inputPaused));
        menu.push_back(command(s.resumeInput, MenuAction::resumeInput));
    }
    if (in.clientIP) {
        menu.push_back(label(s.connected));
        menu.push_back(label("    iPhone (" + *in.clientIP + ")"));
    } else {
        menu.push_back(label(s.waiting));
    }
    menu.push_back(separator());
    menu.push_back(label(s.macIP + ":  " + in.currentIP));
    menu.push_back(label(s.pin + ":  " + in.pin));
    addPairing(menu, in, s);
    addBrowsers(menu, in);
    menu.push_back(separator());
    menu.push_back(label(s.appName + " v" + in.appVersion));
    if (auto line = updateLine(in, s)) menu.push_back(*line);
    menu.push_back(command(s.checkForUpdates, MenuAction::manualCheckForUpdates));
    menu.push_back(command(s.openWebsite, MenuAction::openWebsite));
    menu.push_back(separator());
    if (in.startsAtLogin) {
        menu.push_back(command(s.startAtLogin, MenuAction::toggleStartAtLogin));
        menu.back().checked = *in.startsAtLogin;
    }
    menu.push_back(command(s.quit, MenuAction::quit, "q"));
    return menu;
}

}  // namespace tarsel
