#pragma once
#include <string>

namespace tarsel {

// Whether synthetic input reaches other applications, and where the user can
// fix it. (macOS: the Accessibility privacy list; X11: a display with XTest.)
class Accessibility {
  public:
    virtual ~Accessibility() = default;
    virtual bool isTrusted() = 0;  // never prompts the user
    virtual void openSettings() = 0;
    // The host's own step that would make it trusted, where one is known.
    virtual std::string fix() { return ""; }
};

}  // namespace tarsel
