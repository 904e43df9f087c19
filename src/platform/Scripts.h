#pragma once
#include <string>

namespace tarsel {

// AppleScript sources the agent runs; on the main thread only. Unknown
// sources are ignored silently.
class Scripts {
  public:
    virtual ~Scripts() = default;
    virtual void run(const std::string& source) = 0;
};

}  // namespace tarsel
