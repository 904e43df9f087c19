#pragma once
// Keys and pointer through KWin's fake input, which KWin offers only to
// programs its allow-list names (an installed desktop entry whose Exec is
// this executable, with X-KDE-Wayland-Interfaces=org_kde_kwin_fake_input).
// KWin rounds relative motion, so the agent carries the fractions.
#include <memory>

#include "platform/linux/EvdevInput.h"
#include "runtime/Result.h"

namespace tarsel {

class WaylandConnection;

// Fails with the reason when KWin does not offer fake input to this program.
[[nodiscard]] Result<std::unique_ptr<EvdevInput>> openKwinInput(
    const std::shared_ptr<WaylandConnection>& connection);

}  // namespace tarsel
