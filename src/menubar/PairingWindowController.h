#pragma once
// What the pairing window shows and does: it opens browser pairing, refreshes
// every second, and closes when pairing closes. Main thread.
#include <memory>
#include <string>

namespace tarsel {

class BrowserRemote;
class PairingWindow;
struct PairingViewState;

class PairingWindowController {
  public:
    PairingWindowController(BrowserRemote& browsers, PairingWindow& phonePairing);
    // Opens browser pairing for two minutes (a longer window stays) and shows
    // the window; false where there is no display for it.
    bool open();
    // Refreshes a shown window at once (a browser asked to pair).
    void refresh();

  private:
    PairingViewState state();
    void tick();

    BrowserRemote& browsers_;
    PairingWindow& phonePairing_;
    bool shown_ = false, ticking_ = false;
    std::shared_ptr<int> alive_ = std::make_shared<int>(0);
};

}  // namespace tarsel
