#pragma once
// Ports for a machine without a desktop: input and desktop actions do nothing,
// the rest report that they are unavailable. Every backend starts from these.
#include "platform/Platform.h"

namespace tarsel {

void fillNullPorts(Platform& p);

}  // namespace tarsel
