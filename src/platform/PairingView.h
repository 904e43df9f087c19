#pragma once
// The pairing window: the QR code, the address to type, the time left, the
// phone app's PIN on request and a camera-less browser's request. Every text
// arrives composed and is shown as plain text, never markup. Main thread.
#include <functional>
#include <optional>
#include <string>

namespace tarsel {

struct PairingViewState {
    std::string title;
    std::string qrUrl;    // "" when no QR code may be shown
    std::string caption;  // under the code, or why there is none
    std::string typeHint;
    std::string timeLeft;
    std::string pairAppButton;
    std::string appPin;  // once the phone app's pairing is open
    struct Request {
        std::string question, code, approve, deny;
    };
    std::optional<Request> request;
};

struct PairingViewActions {
    std::function<void()> pairPhoneApp;
    std::function<void(bool approve)> answer;
};

class PairingView {
  public:
    virtual ~PairingView() = default;
    // Shows the window, or refreshes it in place when it is shown.
    virtual void show(const PairingViewState& state, const PairingViewActions& actions) = 0;
    virtual void close() = 0;
};

}  // namespace tarsel
