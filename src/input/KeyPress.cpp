// Key presses, combinations and the universal key command.
#include "input/InputQueues.h"
#include "input/KeyMap.h"
#include "input/KeyTable.h"
#include "input/MainThread.h"
#include "platform/Platform.h"
#include "runtime/Log.h"
#include "runtime/LogText.h"
#include "runtime/Unicode.h"

namespace tarsel::KeyMapProcessor {
void pressKey(KeyCode keyCode, EventFlags modifiers) {
    // The down is posted in call order; the hold is a timer, so the queue
    // moves on at once and a burst of presses never holds the thread.
    keyQueue().async([keyCode, modifiers, waiting = backlog().claim(0)] {
        platform().input->postKey(keyCode, true, modifiers);
        keyQueue().after(kKeyHold, [keyCode, modifiers] {
            platform().input->postKey(keyCode, false, modifiers);
        });
    });
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
        case Combination::Kind::noKey:
            logLine("⚠️ [parseAndPressKey] Unknown key command: " + clipForLog(command));
            break;
    }
}

void handleUniversalKey(const std::string& command) {
    const std::string keyText = unicode::trimWhitespaces(unicode::toLower(command));
    if (keyText.find("power") != std::string::npos) {
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
