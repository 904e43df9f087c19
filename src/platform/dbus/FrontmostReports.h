#pragma once
// The front-most application as the desktop tells the agent: on KDE a KWin
// script, on GNOME the optional Shell extension, each calling
// SetFrontmost(app_id, source) on the agent's session-bus object at every
// activation. The agent never asks, so a lookup never waits on the bus.
#include <memory>
#include <mutex>
#include <string>

namespace tarsel {

class SessionBus;

class FrontmostReports {
  public:
    static constexpr const char* kName = "com.tarsel.Server";
    static constexpr const char* kPath = "/com/tarsel/Server";

    // Takes the bus name and serves the object; null when another process
    // (a second agent) has the name.
    static std::shared_ptr<FrontmostReports> publish(const std::shared_ptr<SessionBus>& bus);

    std::string frontmost();  // "" until a report, or after an empty one
    // A report, from the bus's executor. The source is logged when it changes.
    void report(std::string appId, const std::string& source);

  private:
    std::mutex mutex_;
    std::string appId_;
    std::string source_;
};

}  // namespace tarsel
