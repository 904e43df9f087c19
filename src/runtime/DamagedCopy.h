#pragma once
// A settings file that does not parse is kept for the user to mend, beside
// its place as "<name>.damaged-<UTC>" (the newest three), never silently
// replaced by the agent's next write.
#include <string>

#include "runtime/Result.h"

namespace tarsel {

inline constexpr const char* kDamagedSuffix = ".damaged-";

// Moves `path` aside; the copy's path, or why it could not be moved (then the
// file must not be written over either).
[[nodiscard]] Result<std::string> keepDamagedCopy(const std::string& path);

}  // namespace tarsel
