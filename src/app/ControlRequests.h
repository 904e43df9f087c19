#pragma once
// What the local control channel answers (one JSON line for one request line):
//   pair                browser pairing: the QR code's address and the time left
//   pair --app          the phone app's pairing: the PIN and the time left
//   pair --close        closes both
//   pair --approve CODE / pair --deny CODE   a camera-less browser's request
//   web list            the paired browsers
//   web forget ID|--all
//   show-pairing        opens the pairing window where there is a display
//   input               whether the desktop's user paused remote input
//   input resume        reopens input the desktop's user stopped
#include <asio/thread_pool.hpp>
#include <functional>
#include <string>
#include <string_view>

namespace tarsel {

class PairingWindow;
class BrowserRemote;
class InputPause;

struct ControlTargets {
    PairingWindow& phonePairing;
    BrowserRemote& browsers;
    std::string pin;
    // Opens the pairing window; false where there is no display for it.
    std::function<bool()> showPairing;
    InputPause* pause = nullptr;  // null where the desktop cannot stop input
};

std::string answerControl(std::string_view request, const ControlTargets& targets);

// Start-up: serves the control socket on `pool`; a socket that cannot be set
// up is one log line, and the agent runs on without it.
void startControlSocket(asio::thread_pool& pool, PairingWindow& pairing, BrowserRemote& browsers);

}  // namespace tarsel
