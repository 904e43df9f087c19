#pragma once
// Start at log-in as the user chose it, shared by the agent (its first start,
// the tray's check item) and `tarselctl autostart`. The choice is recorded in
// its own state file, not in config.json, so making a new PIN keeps it.
//
// Two ways start the agent at log-in: the systemd user unit, enabled by a link
// in graphical-session.target.wants, and the packaged XDG autostart entry,
// which sessions without a systemd user manager run. "Off" removes the link and
// hides that entry for this user (Hidden=true); "on" undoes both.
#include <string>

#include "runtime/Result.h"

namespace tarsel {

inline constexpr const char* kAutostartUnitName = "tarsel-server.service";
inline constexpr const char* kAutostartEntryName = "tarsel-server.desktop";

struct AutostartPlaces {
    std::string configHome;  // ${XDG_CONFIG_HOME:-~/.config}
    std::string stateHome;   // ${XDG_STATE_HOME:-~/.local/state}
    std::string packagedUnitDir = "/usr/lib/systemd/user";
    std::string systemAutostartDir = "/etc/xdg/autostart";

    // From HOME's folder and the XDG variables (a relative value is ignored).
    static AutostartPlaces forHome(const std::string& home);
};

enum class AutostartWay { unit, entry, none };

class Autostart {
  public:
    explicit Autostart(AutostartPlaces places) : places_(std::move(places)) {}

    // The unit where one is installed (packaged or the user's own), else the
    // packaged autostart entry, else none.
    AutostartWay way() const;
    bool enabled() const;
    // Enables or disables it and records the choice; fails where way() is none.
    [[nodiscard]] Result<> set(bool on);
    // Records the choice as things stand, changing nothing (an install that
    // predates the state file).
    [[nodiscard]] Result<> recordCurrent();

    std::string statePath() const;        // the recorded choice, "on" or "off"
    std::string userUnitPath() const;     // ~/.config/systemd/user/tarsel-server.service
    std::string linkPath() const;         // its link in graphical-session.target.wants
    std::string hiddenEntryPath() const;  // ~/.config/autostart/tarsel-server.desktop
    // The unit the link points at: the packaged one where it exists.
    std::string unitPath() const;
    // "systemd user unit <path>" or "autostart entry <path>", for messages.
    std::string describe() const;

  private:
    Result<> switchOn() const;
    Result<> switchOff() const;
    Result<> record(bool on) const;
    AutostartPlaces places_;
};

}  // namespace tarsel
