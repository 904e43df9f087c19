#include "app/AgentRequests.h"

#include "app/Globals.h"
#include "input/KeyMap.h"
#include "shortcuts/ShortcutResponses.h"
#include "shortcuts/ShortcutStore.h"

namespace tarsel {

void AgentRequests::command(const std::string& name, std::optional<int64_t> val,
                            const std::optional<PointerDelta>& extra) {
    KeyMapProcessor::handleCommand(name, val, extra);
}

void AgentRequests::mousePress() {
    KeyMapProcessor::mouseDown();
}

void AgentRequests::mouseRelease() {
    KeyMapProcessor::mouseUp();
}

void AgentRequests::text(const std::string& text) {
    KeyMapProcessor::pasteText(text);
}

std::vector<std::string> AgentRequests::fetchShortcuts() {
    return buildShortcutsResponses(globals().shortcutsDBPath);
}

void AgentRequests::syncShortcuts(const Json& batch) {
    saveShortcutsBatch(globals().shortcutsDBPath, batch);
}

}  // namespace tarsel
