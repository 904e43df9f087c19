#pragma once
// The dry run's pairing window: each change of what it shows (the ticking
// time aside) is a {"op":"pairing_window", ...} line, its closing one with
// "shown": false. Its buttons are chosen through the tray's action file as
// "window:<button text>".
#include <memory>

#include "platform/PairingView.h"
#include "platform/record/Recorder.h"

namespace tarsel {

class RecordPairingView : public PairingView {
  public:
    explicit RecordPairingView(std::shared_ptr<Recorder> recorder)
        : recorder_(std::move(recorder)) {}
    void show(const PairingViewState& state, const PairingViewActions& actions) override;
    void close() override;
    // A button by its text; false when the window shows none such.
    bool press(const std::string& text);

  private:
    std::shared_ptr<Recorder> recorder_;
    PairingViewState state_;
    PairingViewActions actions_;
    Json last_;
};

}  // namespace tarsel
