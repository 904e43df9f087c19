#include "platform/record/RecordPairingView.h"

namespace tarsel {

void RecordPairingView::show(const PairingViewState& state, const PairingViewActions& actions) {
    state_ = state;
    actions_ = actions;
    Json shown = {{"shown", true},
                  {"title", state.title},
                  {"qr", state.qrUrl},
                  {"caption", state.caption},
                  {"type_hint", state.typeHint},
                  {"app_pin", state.appPin}};
    if (state.request)
        shown["request"] = {{"question", state.request->question}, {"code", state.request->code}};
    if (shown == last_) return;
    last_ = shown;
    shown["time_left"] = state.timeLeft;
    recorder_->write("pairing_window", shown);
}

void RecordPairingView::close() {
    if (last_.is_null()) return;
    last_ = nullptr;
    actions_ = {};
    recorder_->write("pairing_window", {{"shown", false}});
}

bool RecordPairingView::press(const std::string& text) {
    if (last_.is_null()) return false;
    if (text == state_.pairAppButton && actions_.pairPhoneApp) {
        actions_.pairPhoneApp();
        return true;
    }
    if (state_.request && (text == state_.request->approve || text == state_.request->deny) &&
        actions_.answer) {
        actions_.answer(text == state_.request->approve);
        return true;
    }
    return false;
}

}  // namespace tarsel
