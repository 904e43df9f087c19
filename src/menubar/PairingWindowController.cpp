#include "menubar/PairingWindowController.h"

#include "app/BrowserRemote.h"
#include "app/Globals.h"
#include "menubar/PairingWords.h"
#include "net/Pairing.h"
#include "platform/Platform.h"
#include "runtime/TimeText.h"

namespace tarsel {

PairingWindowController::PairingWindowController(BrowserRemote& browsers,
                                                 PairingWindow& phonePairing)
    : browsers_(browsers), phonePairing_(phonePairing) {}

bool PairingWindowController::open() {
    if (!platform().pairingView) return false;
    browsers_.pairing().open(web::BrowserPairing::kOnRequestSeconds);
    shown_ = true;
    refresh();
    if (!ticking_) tick();
    return true;
}

void PairingWindowController::tick() {
    ticking_ = shown_;
    if (!ticking_) return;
    std::weak_ptr<int> alive = alive_;
    platform().mainLoop->postAfter(std::chrono::seconds(1), [this, alive] {
        if (alive.expired()) return;
        refresh();
        tick();
    });
}

void PairingWindowController::refresh() {
    auto* view = platform().pairingView.get();
    if (!view || !shown_) return;
    if (!browsers_.pairing().secondsLeft()) {
        shown_ = false;
        view->close();
        return;
    }
    std::weak_ptr<int> alive = alive_;
    view->show(state(), {[this, alive] {
                             if (alive.expired()) return;
                             phonePairing_.open(PairingWindow::kOnRequestSeconds);
                             refresh();
                         },
                         [this, alive](bool approve) {
                             if (alive.expired()) return;
                             if (auto waiting = browsers_.pairing().pending())
                                 browsers_.pairing().answer(waiting->code, approve);
                             refresh();
                         }});
}

PairingViewState PairingWindowController::state() {
    const PairingWords& w = PairingWords::current();
    PairingViewState s;
    s.title = w.title;
    const std::string holder = browsers_.holder();
    if (auto url = browsers_.pairingUrl()) {
        s.qrUrl = *url;
        s.caption = w.scan;
    } else {
        s.caption = !holder.empty()
                        ? filled(w.portTaken, {holder, std::to_string(browsers_.port())})
                    : browsers_.port() == 0 ? w.off
                                            : w.notServing;
    }
    s.typeHint = filled(w.typeAddress, {browsers_.pageUrl()});
    s.timeLeft =
        filled(w.timeLeft, {minutesAndSeconds(browsers_.pairing().secondsLeft().value_or(0))});
    s.pairAppButton = w.pairApp;
    if (phonePairing_.secondsLeft()) s.appPin = filled(w.appPin, {globals().serverPIN});
    if (auto waiting = browsers_.pairing().pending())
        s.request = PairingViewState::Request{filled(w.request, {waiting->address, waiting->name}),
                                              waiting->code, w.approve, w.deny};
    return s;
}

}  // namespace tarsel
