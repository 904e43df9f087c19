#pragma once
// Applications and URLs as "open", "open_url" and "launch" lines. The
// front-most application is read from the file named by
// TARSEL_RECORD_FRONTMOST on every lookup (empty or missing: none); the
// installed applications are TARSEL_RECORD_INSTALLED (comma-separated bundle
// ids; unset: every application is installed).
#include <memory>
#include <optional>
#include <set>

#include "platform/Workspace.h"
#include "platform/record/Recorder.h"

namespace tarsel {

class RecordWorkspace : public Workspace {
  public:
    RecordWorkspace(std::shared_ptr<Recorder> recorder, std::string frontmostFile,
                    std::optional<std::string> installed);
    std::string frontmostApplicationId() override;
    EditingKeys frontmostEditingKeys() override;
    void openTool(const std::vector<std::string>& args) override;
    bool openURL(const std::string& url) override;
    bool isApplicationInstalled(const std::string& bundleId) override;
    void launchApplication(const std::string& name) override;

  private:
    std::shared_ptr<Recorder> recorder_;
    std::string frontmostFile_;
    std::optional<std::set<std::string>> installed_;
};

}  // namespace tarsel
