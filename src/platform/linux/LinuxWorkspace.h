#pragma once
// Applications and URLs on a Linux desktop: bundle identifiers become desktop
// entries (or programs), "Finder" the file manager, URLs go to xdg-open.
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/Workspace.h"

namespace tarsel {

class X11Desktop;

class LinuxWorkspace : public Workspace {
  public:
    // `overview` opens the desktop's overview (Mission Control, Launchpad).
    LinuxWorkspace(std::shared_ptr<X11Desktop> desktop, std::function<void()> overview)
        : desktop_(std::move(desktop)), overview_(std::move(overview)) {}

    std::string frontmostApplicationId() override;
    void openTool(const std::vector<std::string>& args) override;
    bool openURL(const std::string& url) override;
    bool isApplicationInstalled(const std::string& bundleId) override;
    void launchApplication(const std::string& name) override;

    // What a bundle identifier opens here: a desktop entry path or a program.
    std::optional<std::vector<std::string>> commandFor(const std::string& bundleId);

  private:
    std::shared_ptr<X11Desktop> desktop_;
    std::function<void()> overview_;
};

}  // namespace tarsel
