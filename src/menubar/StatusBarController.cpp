#include "menubar/StatusBarController.h"

#include "app/ActiveClient.h"
#include "app/BrowserRemote.h"
#include "app/CurrentAddress.h"
#include "app/Globals.h"
#include "app/Server.h"
#include "app/Shutdown.h"
#include "menubar/AlertWords.h"
#include "menubar/MenuModel.h"
#include "menubar/PairingWords.h"
#include "menubar/SelfUpdate.h"
#include "menubar/UpdateCheck.h"
#include "menubar/Url.h"
#include "menubar/VersionCompare.h"
#include "net/Pairing.h"
#include "platform/Platform.h"
#include "runtime/Log.h"
#include "runtime/LogText.h"
#include "runtime/Queues.h"
#include "runtime/Text.h"

namespace tarsel {
namespace {

constexpr double kRefreshSeconds = 5.0;
constexpr double kFirstCheckDelaySeconds = 1.5;
constexpr double kCheckTimeoutSeconds = 8.0;

}  // namespace

StatusBarController& StatusBarController::shared() {
    static StatusBarController* controller = new StatusBarController(
        globals().serverVersion, platform().host.websiteHost, L10n::current());
    return *controller;
}

StatusBarController::StatusBarController(std::string version, const std::string& host, L10n texts)
    : appVersion(std::move(version)),
      websiteURL("https://" + host),
      versionCheckURL(websiteURL + "/version.json"),
      strings(std::move(texts)),
      websiteHost_(host) {}

void StatusBarController::install(Executors& executors, PairingWindow& pairing,
                                  BrowserRemote& browsers) {
    useExecutors(executors);
    pairing_ = &pairing;
    browsers_ = &browsers;
    pairingWindow_ = std::make_unique<PairingWindowController>(browsers, pairing);
    std::weak_ptr<int> alive = alive_;
    browsers.pairing().onChange([this, alive] {
        platform().mainLoop->post([this, alive] {
            if (alive.expired()) return;
            pairingWindow_->refresh();
            rebuildMenu();
        });
    });
    if (platform().inputPause)
        platform().inputPause->onChange = [this, alive] {
            platform().mainLoop->post([this, alive] {
                if (!alive.expired()) rebuildMenu();
            });
        };
    statusItemInstalled = platform().statusItem->install();
    rebuildMenu();
    scheduleRefresh();
    refreshTimerStarted = true;
    // On the main loop, where the controller lives and dies, so the check
    // never reads a controller that is going away.
    platform().mainLoop->postAfter(Seconds(kFirstCheckDelaySeconds), [this, alive] {
        if (!alive.expired()) checkForUpdates(false);
    });
}

// A repeating timer made of one-shot ones; it is never stopped.
void StatusBarController::scheduleRefresh() {
    std::weak_ptr<int> alive = alive_;
    platform().mainLoop->postAfter(Seconds(kRefreshSeconds), [this, alive] {
        if (alive.expired()) return;
        rebuildMenu();
        scheduleRefresh();
    });
}

MenuItem StatusBarController::itemFor(const MenuEntry& entry) {
    MenuItem item{entry.title, entry.enabled, entry.separator, entry.keyEquivalent, {},
                  {},          entry.checked};
    for (const MenuEntry& sub : entry.submenu) item.submenu.push_back(itemFor(sub));
    if (entry.action == MenuAction::none) return item;
    std::weak_ptr<int> alive = alive_;
    item.action = [this, alive, action = entry.action, argument = entry.argument] {
        if (!alive.expired()) perform(action, argument);
    };
    return item;
}

void StatusBarController::perform(MenuAction action, const std::string& argument) {
    switch (action) {
        case MenuAction::openPairing:
        case MenuAction::closePairing:
            return choosePairing(action == MenuAction::openPairing);
        case MenuAction::forgetBrowser:
        case MenuAction::forgetAllBrowsers:
            return forgetBrowsers(action == MenuAction::forgetBrowser ? argument : "");
        case MenuAction::resumeInput:
            if (platform().inputPause) platform().inputPause->resume();
            return;
        case MenuAction::toggleStartAtLogin:
            return toggleStartAtLogin();
        case MenuAction::performSelfUpdate:
            return performSelfUpdate();
        case MenuAction::openDownloadPage:
            return openDownloadPage();
        case MenuAction::manualCheckForUpdates:
            return manualCheckForUpdates();
        case MenuAction::openWebsite:
            return openWebsite();
        case MenuAction::quit:
            quit();
        case MenuAction::none:
            break;
    }
}

void StatusBarController::rebuildMenu() {
    MenuInputs in;
    in.listening = isListening();
    in.portHolder = portHolder();
    in.inputPaused = platform().inputPause && platform().inputPause->paused();
    if (auto client = getActiveClient())
        in.clientIP = client->name.empty() ? client->ip : client->name + " (" + client->ip + ")";
    in.currentIP = getCurrentIP();
    in.pin = globals().serverPIN;
    if (pairing_) in.pairingSecondsLeft = pairing_->secondsLeft();
    if (browsers_) addBrowserInputs(in);
    in.appVersion = appVersion;
    in.updateState = updateState;
    in.latestVersion = latestVersion;
    in.checkedOnce = lastCheckedAt.has_value();
    const HostConstants& host = platform().host;
    in.canInstall = hasInstaller(host);
    in.startsAtLogin = platform().login->startsAtLogin();
    in.restartForNewVersion = host.executableReplaced && host.executableReplaced();

    std::vector<MenuItem> items;
    for (const MenuEntry& entry : buildMenuModel(in, strings)) items.push_back(itemFor(entry));
    if (platform().statusItem) platform().statusItem->show(items);
}

void StatusBarController::toggleStartAtLogin() {
    auto& login = *platform().login;
    const bool on = !login.startsAtLogin().value_or(false);
    if (auto done = login.setStartsAtLogin(on); !done)
        logLine(tr(platform().host.words.loginRegisterFailed.c_str(), done.error()));
    else
        logLine(on ? tr("✅ Start at log-in: on") : tr("✅ Start at log-in: off"));
    rebuildMenu();
}

// Opening shows the pairing window, which opens browser pairing; without a
// window for it, the phone app's pairing opens as before.
void StatusBarController::choosePairing(bool open) {
    if (!pairing_) return;
    if (open && !(pairingWindow_ && pairingWindow_->open()))
        pairing_->open(PairingWindow::kOnRequestSeconds);
    if (!open) {
        pairing_->close();
        if (browsers_) browsers_->pairing().close();
    }
    rebuildMenu();
}

bool StatusBarController::showPairing() {
    if (!pairingWindow_ || !platform().pairingView) return false;
    std::weak_ptr<int> alive = alive_;
    platform().mainLoop->post([this, alive] {
        if (alive.expired()) return;
        pairingWindow_->open();
        rebuildMenu();
    });
    return true;
}

void StatusBarController::forgetBrowsers(const std::string& id) {
    if (!browsers_) return;
    if (id.empty())
        browsers_->store().forgetAll();
    else
        browsers_->store().forget(id);
    rebuildMenu();
}

void StatusBarController::addBrowserInputs(MenuInputs& in) {
    if (auto left = browsers_->pairing().secondsLeft())
        in.pairingSecondsLeft = std::max(*left, in.pairingSecondsLeft.value_or(0));
    const PairingWords& w = PairingWords::current();
    in.browsersTitle = w.pairedBrowsers;
    in.forgetAllTitle = w.forgetAll;
    for (const auto& b : browsers_->store().list())
        in.browsers.push_back(
            {b.id, filled(w.forget, {b.name + (b.address.empty() ? "" : " (" + b.address + ")")})});
}

void StatusBarController::setUpdateState(UpdateState state) {
    std::weak_ptr<int> alive = alive_;
    platform().mainLoop->post([this, alive, state] {
        if (alive.expired()) return;
        updateState = state;
        rebuildMenu();
    });
}

int StatusBarController::compareVersions(const std::string& a, const std::string& b) {
    return compareVersionStrings(a, b);
}

std::string StatusBarController::defaultDownloadPage() const {
    return "https://" + websiteHost_ + "/downloads.html";
}

// The transfer blocks a thread of the global pool; only the results touch the
// controller, on the main loop.
void StatusBarController::checkForUpdates(bool userInitiated) {
    if (!parseURL(versionCheckURL)) return;
    std::weak_ptr<int> alive = alive_;
    asio::post(executors_->global, [this, alive, userInitiated, url = versionCheckURL,
                                    fallback = defaultDownloadPage()] {
        auto response = platform().http->get(url, kCheckTimeoutSeconds);
        if (alive.expired()) return;
        if (!response) {
            logLine(tr("⚠️ update check failed: {1}", response.error()));
            return;
        }
        std::optional<ManifestInfo> info = parseManifest(response->body, fallback);
        if (!info) {
            logLine(tr("⚠️ version.json could not be parsed"));
            return;
        }
        platform().mainLoop->post([this, alive, userInitiated, info = *info] {
            if (alive.expired()) return;
            latestVersion = info.latest;
            downloadURL = info.downloadURL;
            dmgDirectURL = info.dmgURL;
            expectedSHA256 = info.sha256;
            lastCheckedAt = globals().clock->now();
            rebuildMenu();
            if (userInitiated) showUpdateAlert(appVersion, info.latest);
            logLine(tr("✅ update check done: current {1}, latest {2}", appVersion,
                       clipForLog(info.latest)));
        });
    });
}

void StatusBarController::showUpdateAlert(const std::string& current, const std::string& latest) {
    const AlertWords w = alertWords();
    if (compareVersions(latest, current) < 1) {
        platform().alerts->runModal({w.upToDateTitle, withValue(w.upToDateText, current), {w.ok}});
        return;
    }
    int answer = platform().alerts->runModal({withValue(w.newVersionTitle, latest),
                                              withValue(w.newVersionText, current),
                                              {w.openDownloadPage, w.later}});
    if (answer == 1000) openDownloadPage();
}

void StatusBarController::openDownloadPage() {
    std::string url = downloadURL && parseURL(*downloadURL) ? *downloadURL : defaultDownloadPage();
    platform().workspace->openURL(url);
}

void StatusBarController::manualCheckForUpdates() {
    checkForUpdates(true);
}

void StatusBarController::openWebsite() {
    if (parseURL(websiteURL)) platform().workspace->openURL(websiteURL);
}

void StatusBarController::performSelfUpdate() {
    tarsel::performSelfUpdate(*this);
}

void StatusBarController::quit() {
    cleanupAndExit();
}

}  // namespace tarsel
