#pragma once
#include <string>

namespace tarsel {

// "Library/Application Support/TarselServer" under the home directory, created
// on demand; a failure is ignored here and surfaces at the first write.
std::string makeAppSupportDir(const std::string& homeDir);

}  // namespace tarsel
