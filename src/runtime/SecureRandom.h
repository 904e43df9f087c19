#pragma once
#include <cstdint>

namespace tarsel {

// Uniform integer in [0, upperBound) from the system's secure random source.
uint32_t secureRandomBelow(uint32_t upperBound);

}  // namespace tarsel
