#include "shortcuts/ShortcutResponses.h"
#include "shortcuts/ShortcutStore.h"

namespace tarsel {

void saveShortcutsBatch(const Json&) {}
std::vector<std::string> buildShortcutsResponses() { return {}; }

}  // namespace tarsel
