#pragma once
// The agent's AppleScript sources carried out with their Linux equivalents
// (see docs/LINUX_INPUT.md); unknown sources are ignored. The programs run on
// a queue of their own, in order, so the main loop never waits for them.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/Scripts.h"
#include "runtime/SerialQueue.h"

namespace tarsel {

class X11Desktop;
class Workspace;

class LinuxScripts : public Scripts {
  public:
    // Child processes run one after another on `pool`, never on the caller.
    LinuxScripts(asio::thread_pool& pool, std::shared_ptr<X11Desktop> desktop, Workspace* workspace,
                 std::function<void()> overview)
        : queue_("com.tarsel.scriptQueue", pool),
          desktop_(std::move(desktop)),
          workspace_(workspace),
          overview_(std::move(overview)) {}
    void run(const std::string& source) override;

  private:
    using Argv = std::vector<std::string>;
    void runFirstAvailable(std::vector<Argv> candidates);
    void volume(const char* wpctlStep, const char* pactlStep);

    SerialQueue queue_;
    std::shared_ptr<X11Desktop> desktop_;
    Workspace* workspace_;
    std::function<void()> overview_;
};

}  // namespace tarsel
