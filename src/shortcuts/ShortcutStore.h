#pragma once
#include "runtime/Json.h"

namespace tarsel {

// Merges a batch (an object of section name → array of items) into
// "shortcuts_db.json", section by section.
void saveShortcutsBatch(const Json& batch);

}  // namespace tarsel
