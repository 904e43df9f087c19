// Key presses, combinations and the universal key command.
#include <cctype>

#include "input/InputQueues.h"
#include "input/KeyMap.h"
#include "input/KeyTable.h"
#include "input/MainThread.h"
#include "platform/Platform.h"
#include "runtime/Log.h"
#include "runtime/LogText.h"
#include "runtime/Unicode.h"

namespace tarsel::KeyMapProcessor {
namespace {

void press(KeyCode keyCode, EventFlags modifiers) {
    const auto press = heldKeys().press(keyCode);
    if (press.wasDown) platform().input->postKey(keyCode, false, modifiers);
    platform().input->postKey(keyCode, true, modifiers);
    keyQueue().after(kKeyHold, [keyCode, modifiers, id = press.id] {
        if (heldKeys().release(keyCode, id)) platform().input->postKey(keyCode, false, modifiers);
    });
}

}  // namespace

void pressKey(KeyCode keyCode, EventFlags modifiers) {
    // The down is posted in call order (at once where nothing waits); the
    // hold is a timer, so the queue moves on and a burst never holds the thread.
    if (keyQueue().runIfIdle([=] { press(keyCode, modifiers); })) return;
    auto waiting = backlog().claim(0, kKeyHold.count());
    if (!waiting) return;
    keyQueue().async(
        [keyCode, modifiers, waiting = std::move(*waiting)] { press(keyCode, modifiers); });
}

void parseAndPressKey(const std::string& command) {
    Combination c = parseCombination(command);
    switch (c.kind) {
        case Combination::Kind::power:
            sleepComputer();
            break;
        case Combination::Kind::press:
            pressKey(c.keyCode, c.modifiers);
            break;
        case Combination::Kind::click:
            clickMouse(c.keyCode, c.modifiers);
            break;
        case Combination::Kind::noKey:
            logLine("⚠️ [parseAndPressKey] Unknown key command: " + clipForLog(command));
            break;
    }
}

namespace {

// "power" as a whole word, words split at every character outside A–Z, a–z
// and 0–9: "power_off" and "cmd+power" sleep, "powerpoint" is typed.
bool hasPowerWord(const std::string& text) {
    std::string word;
    for (char c : text + ' ') {
        if (std::isalnum(static_cast<unsigned char>(c)) && static_cast<unsigned char>(c) < 0x80) {
            word += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        } else if (word == "power") {
            return true;
        } else {
            word.clear();
        }
    }
    return false;
}

}  // namespace

void handleUniversalKey(const std::string& command) {
    const std::string keyText = unicode::trimWhitespaces(unicode::toLower(command));
    if (hasPowerWord(keyText)) {
        sleepComputer();
    } else if (keyText.find('+') != std::string::npos) {
        parseAndPressKey(command);
    } else if (auto it = keyMap().find(keyText); it != keyMap().end()) {
        pressKey(it->second, 0);
    } else {
        typeText(command);
    }
}

}  // namespace tarsel::KeyMapProcessor
