#include "app/AgentRequests.h"

#include "input/InputQueues.h"
#include "input/KeyMap.h"
#include "shortcuts/ShortcutPad.h"

namespace tarsel {

void AgentRequests::openShortcuts(const std::string& path, const asio::any_io_executor& writer) {
    shortcuts_ = std::make_unique<ShortcutLibrary>(path, writer);
}

void AgentRequests::flushShortcuts() {
    if (shortcuts_) shortcuts_->flush();
}

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
    return shortcuts_ ? shortcuts_->responses() : std::vector<std::string>{};
}

std::string AgentRequests::pad(const std::string& type, const Json& request) {
    return shortcuts_ ? answerPad(*shortcuts_, type, request) : "";
}

Backlog& AgentRequests::backlog() {
    return KeyMapProcessor::backlog();
}

void AgentRequests::syncShortcuts(Json batch) {
    if (shortcuts_) shortcuts_->saveBatch(std::move(batch));
}

}  // namespace tarsel
