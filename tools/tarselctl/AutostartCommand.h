#pragma once
#include <string>
#include <vector>

namespace tarselctl {

// `tarselctl autostart on|off|status`: start at log-in, without the agent or a
// tray. Exit 0 done, 1 nothing here starts the agent at log-in (or a write
// failed), 64 usage.
int autostartCommand(const std::vector<std::string>& args);

}  // namespace tarselctl
