#pragma once
#include <string>

namespace tarsel {

// Dotted version numbers compared piece by piece; see
// StatusBarController::compareVersions.
int compareVersionStrings(const std::string& a, const std::string& b);

}  // namespace tarsel
