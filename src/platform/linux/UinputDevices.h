#pragma once
// The kernel's uinput: one virtual keyboard and one virtual pointer, which
// every desktop (Wayland or X11) reads like real devices.
#include <memory>

#include "platform/linux/EvdevInput.h"
#include "runtime/Result.h"

namespace tarsel {

// Fails (with the reason) when the devices cannot be created, typically
// because /dev/uinput is missing or not writable for this user.
[[nodiscard]] Result<std::unique_ptr<EvdevInput>> openUinput();

}  // namespace tarsel
