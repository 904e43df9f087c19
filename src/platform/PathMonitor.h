#pragma once
// Network path changes. The handler gets `true` when a usable path exists.
#include <functional>
#include <memory>

namespace tarsel {

class PathWatch {
  public:
    virtual ~PathWatch() = default;  // cancels the watch
};

class PathMonitor {
  public:
    virtual ~PathMonitor() = default;
    virtual std::unique_ptr<PathWatch> start(std::function<void(bool satisfied)> onUpdate) = 0;
};

}  // namespace tarsel
