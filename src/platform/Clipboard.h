#pragma once
#include <string>

namespace tarsel {

// The general clipboard; called on the main thread only.
class Clipboard {
  public:
    virtual ~Clipboard() = default;
    virtual void setText(const std::string& utf8) = 0;  // clears, then sets plain text
    virtual std::string text() = 0;
};

}  // namespace tarsel
