#pragma once
// The pairing window's and the browser submenu's texts, in the menu's language.
#include <initializer_list>
#include <string>

namespace tarsel {

struct PairingWords {
    std::string title, scan, typeAddress, timeLeft, pairApp, appPin, request, approve, deny,
        portTaken, notServing, off, pairedBrowsers, forget, forgetAll;

    static PairingWords translated();      // in the catalog's language
    static const PairingWords& current();  // made once
};

// `text` with "{1}", "{2}"… replaced by `values` in order.
std::string filled(const std::string& text, std::initializer_list<std::string> values);

}  // namespace tarsel
