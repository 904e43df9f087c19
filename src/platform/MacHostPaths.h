#pragma once
// The macOS tool paths and installation path, for a macOS backend to take
// over and for checks that the core produces the exact macOS commands.
#include "platform/Host.h"

namespace tarsel {

void applyMacHostPaths(HostConstants& host);

}  // namespace tarsel
