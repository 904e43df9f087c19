#include "menubar/PairingWords.h"

#include "runtime/Text.h"

namespace tarsel {

PairingWords PairingWords::translated() {
    return {tr("Pair a Phone"),
            tr("Scan this code with the phone's camera. Once a browser has paired, a new code "
               "appears."),
            tr("No camera? Open {1} in the phone's browser and choose “Pair this browser”."),
            tr("Pairing closes in {1}"),
            tr("Pair the Phone App"),
            tr("Phone app: PIN {1} (discovery shows it while pairing is open)"),
            tr("“{2}” at {1} asks to pair. Does the phone show this code?"),
            tr("Approve"),
            tr("Deny"),
            tr("Another user ({1}) holds port {2}: no QR code is shown. Do not pair a browser "
               "with that program."),
            tr("The page's port is not open yet — retrying"),
            tr("The browser remote is off (\"web_port\": 0 in config.json)"),
            tr("Paired Browsers"),
            tr("Forget {1}"),
            tr("Forget All")};
}

const PairingWords& PairingWords::current() {
    static const PairingWords words = translated();
    return words;
}

std::string filled(const std::string& text, std::initializer_list<std::string> values) {
    return fillIn(text, std::span<const std::string>(values.begin(), values.size()));
}

}  // namespace tarsel
