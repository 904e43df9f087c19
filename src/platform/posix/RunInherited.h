#pragma once
// Runs a service-manager tool and waits for it; its output goes where the
// agent's own output goes.
#include <string>
#include <vector>

#include "runtime/Process.h"

namespace tarsel {

inline void runInherited(const std::vector<std::string>& command) {
    if (command.empty()) return;
    ProcessOptions options;
    options.captureStdout = false;
    options.inheritStdout = true;
    options.discardStderr = false;
    // The tool's own complaints reach the agent's output; a service manager that
    // is not there has nothing to stop or start, so its absence is no failure.
    (void)runProcess(command.front(), {command.begin() + 1, command.end()}, options);
}

}  // namespace tarsel
