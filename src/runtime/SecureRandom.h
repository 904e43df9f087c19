#pragma once
#include <cstddef>
#include <cstdint>
#include <optional>

namespace tarsel {

// Fills `out` from the system's secure random source; false when no secure
// source answered (never a predictable stand-in).
bool secureRandomBytes(void* out, std::size_t size);

// Uniform integer in [0, upperBound) from that source; nothing when it failed.
std::optional<uint32_t> secureRandomBelow(uint32_t upperBound);

}  // namespace tarsel
