#pragma once
#include <optional>
#include <string>
#include <vector>

#include "runtime/Result.h"

namespace tarsel {

// Start at log-in: the service manager's registration of the agent (a launchd
// property list, or a systemd user unit).
class LoginService {
  public:
    virtual ~LoginService() = default;

    // The file whose presence means "registered"; the core never rewrites it.
    virtual std::string registrationPath() = 0;
    // Writes the registration atomically (plus whatever enables it at log-in),
    // without loading it. Answers what now starts at log-in, or "" where
    // nothing changed.
    [[nodiscard]] virtual Result<std::string> install(const std::string& executablePath,
                                                      const std::string& logPath) = 0;

    // Whether the service manager started this process (so the orderly end
    // must keep it from restarting it).
    virtual bool runByServiceManager() { return true; }

    // Whether the agent starts at log-in now; none where nothing here can
    // start it. The tray's check item and `tarselctl autostart` change it.
    virtual std::optional<bool> startsAtLogin() { return std::nullopt; }
    [[nodiscard]] virtual Result<> setStartsAtLogin(bool /*on*/) {
        return failure("nothing starts the agent at log-in here");
    }

    // The tool and its arguments that take the agent out of the service
    // manager / put it back; the updater script runs the same commands.
    // Empty when there is no service manager.
    virtual std::vector<std::string> unloadCommand() = 0;
    virtual std::vector<std::string> loadCommand() = 0;

    // Run those commands and wait for the tool, never for the agent's own stop;
    // the tool's output goes where the agent's output goes.
    virtual void unload() = 0;
    virtual void load() = 0;
};

}  // namespace tarsel
