// The dispatcher: early system commands, the "+" and number routes, the named
// commands of the three families, then the universal key command.
#include "input/KeyMap.h"

#include "input/CommandFamilies.h"
#include "input/KeyTable.h"
#include "runtime/Unicode.h"

namespace tarsel::KeyMapProcessor {

void handleCommand(const std::string& command, std::optional<int64_t> /*val: never read*/,
                   const std::optional<PointerDelta>& extra) {
    const std::string name = unicode::trimWhitespaces(unicode::toLower(command));
    if (runEarlySystemCommand(name)) return;
    if (name.find('+') != std::string::npos) {
        handleUniversalKey(command);
        return;
    }
    if (auto code = parseDecimal(command, false); code && *code >= 1 && *code <= 255) {
        pressKey(static_cast<KeyCode>(*code), 0);
        return;
    }
    if (runMediaPointerCommand(name, extra) || runLateSystemCommand(name) ||
        runShortcutCommand(name))
        return;
    handleUniversalKey(command);
}

}  // namespace tarsel::KeyMapProcessor
