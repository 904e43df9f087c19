#pragma once
// Which applications are terminals, and which copy and paste chords they take.
#include <string>

#include "platform/Workspace.h"

namespace tarsel {

// `appId` is a desktop-file id or a WM_CLASS, in any case. Known terminals
// come from a list; any other application whose desktop entry has the
// TerminalEmulator category is a bare terminal.
EditingKeys editingKeysFor(const std::string& appId);

}  // namespace tarsel
