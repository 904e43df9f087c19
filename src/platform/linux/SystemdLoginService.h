#pragma once
// Start at log-in through a systemd user unit, enabled the way
// `systemctl --user enable` does it: a link in graphical-session.target.wants,
// made once at the first start and recorded (Autostart.h). Where a package
// installed the unit, that one is linked and no unit is written. The agent's
// output goes to the journal.
#include <string>

#include "platform/LoginService.h"
#include "platform/linux/Autostart.h"

namespace tarsel {

inline constexpr const char* kSystemdUnitName = kAutostartUnitName;

// The unit file's text; paths are quoted and escaped for systemd. Empty when
// systemd could not use the path (relative, a line break, a quote or a
// backslash).
std::string systemdUserUnit(const std::string& executablePath);

inline constexpr const char* kPackagedUnitDir = "/usr/lib/systemd/user";

class SystemdLoginService : public LoginService {
  public:
    SystemdLoginService(std::string homeDir, std::string systemctlPath,
                        std::string packagedUnitDir = kPackagedUnitDir);

    std::string registrationPath() override;
    Result<std::string> install(const std::string& executablePath,
                                const std::string& logPath) override;
    bool runByServiceManager() override;
    std::optional<bool> startsAtLogin() override;
    Result<> setStartsAtLogin(bool on) override;
    std::vector<std::string> unloadCommand() override;
    std::vector<std::string> loadCommand() override;
    void unload() override;
    void load() override;

  private:
    AutostartPlaces places_;
    std::string systemctl_;
};

}  // namespace tarsel
