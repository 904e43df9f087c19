#pragma once
// Linux has no per-application input permission: synthetic input works when
// an X display with the XTest extension is reachable, or the input path chosen
// for the session says it reaches the session's windows. The "settings" are
// the README's troubleshooting section, opened with xdg-open.
#include <functional>
#include <string>

#include "platform/Accessibility.h"

namespace tarsel {

class X11Accessibility : public Accessibility {
  public:
    // `openTool` is xdg-open; `executablePath` locates the README next to the build;
    // `inputReaches` answers the check instead of probing for XTest.
    // `fix` is the step that would make it trusted.
    X11Accessibility(std::string openTool, std::string executablePath, std::string websiteHost,
                     std::function<bool()> inputReaches = nullptr, std::string fix = "");
    bool isTrusted() override;
    void openSettings() override;
    std::string fix() override { return fix_; }
    // What openSettings() opens: the help page in the user's language, else the
    // website's help.
    std::string settingsTarget() const;

  private:
    std::string openTool_;
    std::string executablePath_;
    std::string websiteHost_;
    std::function<bool()> inputReaches_;
    std::string fix_;
};

}  // namespace tarsel
