#pragma once
// The tray/menu-bar item and everything behind it: the menu, the update check
// and the state the self-update reads and writes.
#include <atomic>
#include <memory>
#include <optional>
#include <string>

#include "menubar/L10n.h"
#include "menubar/MenuModel.h"
#include "menubar/PairingWindowController.h"
#include "menubar/UpdateState.h"
#include "platform/StatusItem.h"

namespace tarsel {

struct Executors;
class PairingWindow;
class BrowserRemote;

class StatusBarController {
  public:
    static StatusBarController& shared();

    // For tests: a controller with its own version, website host and texts.
    StatusBarController(std::string appVersion, const std::string& websiteHost, L10n strings);

    // Main thread, once: shows the item and menu, starts the 5 s refresh and
    // schedules the first (background) update check. The menu opens and
    // closes `pairing`.
    void install(Executors& executors, PairingWindow& pairing, BrowserRemote& browsers);
    // Where the update check (global) and the self-update job (user-initiated) run.
    void useExecutors(Executors& executors) { executors_ = &executors; }
    Executors& executors() { return *executors_; }
    // Main thread: builds the menu from the current state and shows it.
    void rebuildMenu();
    // Any thread: on the main loop, sets `updateState` and rebuilds the menu.
    void setUpdateState(UpdateState state);

    // Any thread: one asynchronous check of the version manifest.
    void checkForUpdates(bool userInitiated);
    // Positive when a is newer, 0 when equal, negative when older. Only the
    // sign is meaningful; absurdly long numbers never overflow.
    static int compareVersions(const std::string& a, const std::string& b);
    // Main thread: the answer to a user-initiated check.
    void showUpdateAlert(const std::string& currentVersion, const std::string& latestVersion);
    // Main thread: opens `downloadURL`, else the built-in downloads page.
    void openDownloadPage();
    std::string defaultDownloadPage() const;

    // Menu actions (main thread).
    void manualCheckForUpdates();
    void openWebsite();
    void choosePairing(bool open);
    void toggleStartAtLogin();
    // Any thread: shows the pairing window (it opens browser pairing); false
    // where there is no display for it.
    bool showPairing();
    void forgetBrowsers(const std::string& id);  // "" forgets all
    void performSelfUpdate();
    [[noreturn]] void quit();

    // The host part of `websiteURL` ("host" or "host:port").
    const std::string& websiteHost() const { return websiteHost_; }

    // Fields, written on the main thread only.
    bool statusItemInstalled = false;
    bool refreshTimerStarted = false;
    const std::string appVersion;
    const std::string websiteURL;
    const std::string versionCheckURL;
    const L10n strings;
    std::optional<std::string> latestVersion;
    std::optional<std::string> downloadURL;
    std::optional<double> lastCheckedAt;  // seconds since 1970
    const std::string teamID = "K7M2XQ9PLA";
    std::optional<std::string> dmgDirectURL;
    std::optional<std::string> expectedSHA256;
    UpdateState updateState = UpdateState::idle;

    // Set just before the hand-over to the updater; the orderly shutdown then
    // leaves the login service loaded.
    static inline std::atomic<bool> isUpdateRestart{false};

  private:
    void scheduleRefresh();
    MenuItem itemFor(const MenuEntry& entry);
    void perform(MenuAction action, const std::string& argument);
    void addBrowserInputs(MenuInputs& in);
    std::string websiteHost_;
    Executors* executors_ = nullptr;
    PairingWindow* pairing_ = nullptr;
    BrowserRemote* browsers_ = nullptr;
    std::unique_ptr<PairingWindowController> pairingWindow_;
    // Asynchronous work holds this weakly, so an answer for a controller that
    // is gone is dropped.
    std::shared_ptr<int> alive_ = std::make_shared<int>(0);
};

}  // namespace tarsel
