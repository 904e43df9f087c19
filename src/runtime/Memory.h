#pragma once

namespace tarsel {

// Hands memory the allocator holds but no longer uses back to the system, so
// the resident size falls again after a flood's entries are forgotten.
void releaseFreeMemory();

}  // namespace tarsel
