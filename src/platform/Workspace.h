#pragma once
#include <string>
#include <vector>

namespace tarsel {

// Applications and URLs.
class Workspace {
  public:
    virtual ~Workspace() = default;
    virtual std::string frontmostApplicationId() = 0;  // not lower-cased; "" for none
    virtual void openTool(const std::vector<std::string>& args) = 0;  // the "open" tool
    virtual bool openURL(const std::string& url) = 0;
    virtual bool isApplicationInstalled(const std::string& bundleId) = 0;
    virtual void launchApplication(const std::string& name) = 0;  // "Finder"
};

}  // namespace tarsel
