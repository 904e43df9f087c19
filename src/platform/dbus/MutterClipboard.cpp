#include "platform/dbus/MutterClipboard.h"

#include <algorithm>

#include "platform/dbus/MutterSession.h"

namespace tarsel {

MutterClipboard::MutterClipboard(std::shared_ptr<MutterSession> session)
    : session_(std::move(session)) {
    session_->onTransfer = [session = session_.get(), state = state_](uint32_t serial) {
        std::function<void()> done;
        std::string text;
        {
            std::lock_guard lock(state->mutex);
            text = state->text;
            // Mutter's own clipboard manager reads before the offer is handled.
            if (state->handled == state->offered) done = std::exchange(state->onRead, nullptr);
        }
        session->writeSelection(serial, std::move(text), std::move(done));
    };
}

void MutterClipboard::setText(const std::string& utf8) {
    uint64_t offer = 0;
    {
        std::lock_guard lock(state_->mutex);
        state_->text = utf8;
        offer = ++state_->offered;
    }
    session_->setSelection([state = state_, offer] {
        std::lock_guard lock(state->mutex);
        state->handled = std::max(state->handled, offer);
    });
}

std::string MutterClipboard::text() {
    std::lock_guard lock(state_->mutex);
    return state_->text;
}

void MutterClipboard::onNextRead(std::function<void()> done) {
    std::lock_guard lock(state_->mutex);
    state_->onRead = std::move(done);
}

}  // namespace tarsel
