#pragma once
#include <cstddef>
#include <cstdint>

#include "runtime/Result.h"

namespace tarsel {

// Fills `out` from the system's secure random source; fails when no secure
// source answered (never a predictable stand-in).
[[nodiscard]] Result<> secureRandomBytes(void* out, std::size_t size);

// Uniform integer in [0, upperBound) from that source.
[[nodiscard]] Result<uint32_t> secureRandomBelow(uint32_t upperBound);

}  // namespace tarsel
