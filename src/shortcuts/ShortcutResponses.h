#pragma once
#include <string>
#include <vector>

#include "runtime/Json.h"

namespace tarsel {

// One compact JSON string per section stored at `path`, in section-name order (NFC, then
// code point order). Reads the file afresh each time; problems give a shorter list.
std::vector<std::string> buildShortcutsResponses(const std::string& path);
// The same for a database already in memory.
std::vector<std::string> buildShortcutsResponses(const Json& database);

}  // namespace tarsel
