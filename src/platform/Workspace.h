#pragma once
#include <string>
#include <vector>

namespace tarsel {

// How the front-most application takes the copy and paste chords.
enum class EditingKeys {
    standard,     // Command-C/V (Control on Linux)
    terminal,     // a terminal that binds Control-Shift-C/V to copy and paste
    bareTerminal  // a terminal that takes Control-Shift-C as Control-C: Shift-Insert only
};

// Applications and URLs.
class Workspace {
  public:
    virtual ~Workspace() = default;
    virtual std::string frontmostApplicationId() = 0;  // not lower-cased; "" for none
    virtual EditingKeys frontmostEditingKeys() { return EditingKeys::standard; }
    virtual void openTool(const std::vector<std::string>& args) = 0;  // the "open" tool
    virtual bool openURL(const std::string& url) = 0;
    virtual bool isApplicationInstalled(const std::string& bundleId) = 0;
    virtual void launchApplication(const std::string& name) = 0;  // "Finder"
};

}  // namespace tarsel
