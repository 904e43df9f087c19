#pragma once
// Start at log-in through launchd: the property list in ~/Library/LaunchAgents,
// loaded and unloaded with launchctl.
#include <string>

#include "platform/LoginService.h"

namespace tarsel {

class LaunchdLoginService : public LoginService {
  public:
    LaunchdLoginService(std::string homeDir, std::string launchctlPath);

    std::string registrationPath() override;
    Result<std::string> install(const std::string& executablePath,
                                const std::string& logPath) override;
    std::vector<std::string> unloadCommand() override;
    std::vector<std::string> loadCommand() override;
    void unload() override;
    void load() override;

  private:
    std::string homeDir_;
    std::string launchctl_;
};

}  // namespace tarsel
