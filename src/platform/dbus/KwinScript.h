#pragma once
// On KDE Plasma, KWin tells the agent the front-most application: a small
// script, written to the agent's private runtime folder and loaded through
// KWin's scripting interface at start-up, calls the agent's SetFrontmost at
// every activation (KWin 5.27 and 6).
#include <memory>

namespace tarsel {

class SessionBus;

// Whether the script runs; one line says why not.
bool loadKwinFrontmostScript(const std::shared_ptr<SessionBus>& bus);

}  // namespace tarsel
