#pragma once
#include <string>
#include <vector>

namespace tarsel {

// One compact JSON string per stored section, in section-name order.
std::vector<std::string> buildShortcutsResponses();

}  // namespace tarsel
