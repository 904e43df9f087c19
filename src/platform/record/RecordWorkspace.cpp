#include "platform/record/RecordWorkspace.h"

#include <sstream>

#include "platform/linux/TerminalApps.h"
#include "runtime/Files.h"

namespace tarsel {

RecordWorkspace::RecordWorkspace(std::shared_ptr<Recorder> recorder, std::string frontmostFile,
                                 std::optional<std::string> installed)
    : recorder_(std::move(recorder)), frontmostFile_(std::move(frontmostFile)) {
    if (!installed) return;
    installed_.emplace();
    std::stringstream list(*installed);
    for (std::string id; std::getline(list, id, ',');)
        if (!id.empty()) installed_->insert(id);
}

std::string RecordWorkspace::frontmostApplicationId() {
    if (frontmostFile_.empty()) return "";
    std::string id = files::readAll(frontmostFile_).value_or("");
    while (!id.empty() && (id.back() == '\n' || id.back() == '\r' || id.back() == ' '))
        id.pop_back();
    return id;
}

// Terminals as the Linux desktop knows them.
EditingKeys RecordWorkspace::frontmostEditingKeys() {
    return editingKeysFor(frontmostApplicationId());
}

void RecordWorkspace::openTool(const std::vector<std::string>& args) {
    recorder_->write("open", {{"args", args}});
}

bool RecordWorkspace::openURL(const std::string& url) {
    recorder_->write("open_url", {{"url", url}});
    return true;
}

bool RecordWorkspace::isApplicationInstalled(const std::string& bundleId) {
    return !installed_ || installed_->count(bundleId) > 0;
}

void RecordWorkspace::launchApplication(const std::string& name) {
    recorder_->write("launch", {{"name", name}});
}

}  // namespace tarsel
