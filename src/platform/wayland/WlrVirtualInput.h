#pragma once
// Keys and pointer through the virtual keyboard and virtual pointer that
// wlroots compositors (sway, Hyprland, river, …) offer any client: the
// keyboard with the agent's own keymap, the pointer keeping fractions.
#include <memory>

#include "platform/linux/EvdevInput.h"
#include "runtime/Result.h"

namespace tarsel {

class WaylandConnection;

// Both devices, created now so that no first event is lost; fails with the
// reason when the compositor offers either protocol not.
[[nodiscard]] Result<std::unique_ptr<EvdevInput>> openWlrInput(
    const std::shared_ptr<WaylandConnection>& connection);

}  // namespace tarsel
