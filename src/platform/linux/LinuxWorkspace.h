#pragma once
// Applications and URLs on a Linux desktop: bundle identifiers become desktop
// entries (or programs), "Finder" the file manager, URLs go to xdg-open.
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/Workspace.h"

namespace tarsel {

class LinuxWorkspace : public Workspace {
  public:
    // `frontmost` answers the front-most application's id ("" for none);
    // `overview` opens the desktop's overview (Mission Control, Launchpad).
    LinuxWorkspace(std::function<std::string()> frontmost, std::function<void()> overview)
        : frontmost_(std::move(frontmost)), overview_(std::move(overview)) {}

    std::string frontmostApplicationId() override;
    EditingKeys frontmostEditingKeys() override;
    void openTool(const std::vector<std::string>& args) override;
    bool openURL(const std::string& url) override;
    bool isApplicationInstalled(const std::string& bundleId) override;
    void launchApplication(const std::string& name) override;

    // What a bundle identifier opens here: a desktop entry path or a program.
    std::optional<std::vector<std::string>> commandFor(const std::string& bundleId);

  private:
    std::function<std::string()> frontmost_;
    std::function<void()> overview_;
};

}  // namespace tarsel
