#pragma once
// The dry run's tray: every menu becomes a {"op":"menu","items":[...]} line
// (items {"title","enabled"} plus "key" for a key equivalent, separators
// {"separator":true}). Each new line of the file TARSEL_RECORD_ACTIONS names
// an item by its exact title, which is then chosen on the main loop as a
// person would choose it; disabled or unknown titles are logged and skipped.
#include <memory>
#include <vector>

#include "platform/MainLoop.h"
#include "platform/StatusItem.h"
#include "platform/record/ActionFollower.h"
#include "platform/record/RecordPairingView.h"
#include "platform/record/Recorder.h"

namespace tarsel {

class RecordStatusItem : public StatusItem {
  public:
    // `window`, when given, takes the actions "window:<button text>".
    RecordStatusItem(std::shared_ptr<Recorder> recorder, MainLoop& mainLoop,
                     std::string actionsFile, RecordPairingView* window = nullptr);
    bool install() override;
    void show(const std::vector<MenuItem>& menu) override;

  private:
    void choose(const std::string& title);
    static Json entryOf(const MenuItem& item);
    static const MenuItem* find(const std::vector<MenuItem>& menu, const std::string& title);
    std::shared_ptr<Recorder> recorder_;
    MainLoop& mainLoop_;
    std::string actionsFile_;
    std::vector<MenuItem> menu_;  // the menu on screen; main thread only
    std::unique_ptr<ActionFollower> follower_;
    RecordPairingView* window_;
};

}  // namespace tarsel
