#pragma once
#include <string>

namespace tarsel {

// Start at log-in: the service manager's registration of the agent.
class LoginService {
public:
    virtual ~LoginService() = default;
    virtual bool isInstalled() = 0;
    // Writes the registration; on failure returns false with a description.
    virtual bool install(const std::string& executablePath, std::string* error) = 0;
    virtual std::string registrationPath() = 0;
    virtual void unload() = 0;  // never waits for the agent's own stop
    virtual void load() = 0;
};

}  // namespace tarsel
