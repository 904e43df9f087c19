#pragma once
// Start at log-in through a systemd user unit, enabled the way
// `systemctl --user enable` does it: a link in default.target.wants.
#include <string>

#include "platform/LoginService.h"

namespace tarsel {

inline constexpr const char* kSystemdUnitName = "tarsel-server.service";

// The unit file's text; paths are quoted and escaped for systemd. Empty when
// systemd could not use a path (relative, a line break, or an executable path
// with a quote or a backslash).
std::string systemdUserUnit(const std::string& executablePath, const std::string& logPath);

class SystemdLoginService : public LoginService {
  public:
    SystemdLoginService(std::string homeDir, std::string systemctlPath);

    std::string registrationPath() override;
    bool install(const std::string& executablePath, const std::string& logPath,
                 std::string* error) override;
    std::vector<std::string> unloadCommand() override;
    std::vector<std::string> loadCommand() override;
    void unload() override;
    void load() override;

  private:
    std::string unitDir() const;
    std::string homeDir_;
    std::string systemctl_;
};

}  // namespace tarsel
