#pragma once

namespace tarsel {

// Whether synthetic input reaches other applications, and where to fix it.
class Accessibility {
public:
    virtual ~Accessibility() = default;
    virtual bool isTrusted() = 0;
    virtual void openSettings() = 0;
};

}  // namespace tarsel
