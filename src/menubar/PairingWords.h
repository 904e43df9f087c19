#pragma once
// The pairing window's and the browser submenu's texts, in the menu's language.
#include <string>

namespace tarsel {

struct PairingWords {
    std::string title, scan, typeAddress, timeLeft, pairApp, appPin, request, approve, deny,
        portTaken, notServing, off, pairedBrowsers, forget, forgetAll;

    static PairingWords korean();
    static PairingWords english();
    static const PairingWords& current();  // as L10n::current() chose
};

// `text` with each "{}" replaced by the next of `values`, in order.
std::string filled(std::string text, std::initializer_list<std::string> values);

}  // namespace tarsel
