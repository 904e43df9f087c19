#pragma once
// The named commands of the dispatcher, one function per family. Each takes
// the normalised command and returns true when the name is one of its own
// (its action has then been started).
#include <optional>
#include <string>

#include "runtime/PointerDelta.h"

namespace tarsel::KeyMapProcessor {

bool runEarlySystemCommand(const std::string& name);  // before the shape routes
bool runLateSystemCommand(const std::string& name);   // lock, shut down, sleep, restart
bool runMediaPointerCommand(const std::string& name, const std::optional<PointerDelta>& extra);
bool runShortcutCommand(const std::string& name);

}  // namespace tarsel::KeyMapProcessor
