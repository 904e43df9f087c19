#pragma once
#include <string>

#include "runtime/Json.h"

namespace tarsel {

// Merges a batch (an object of section name → array of items) into the
// database at `path` ("shortcuts_db.json"), section by section. Saves are
// serialised: two phones syncing at once never lose a batch or share the
// temporary file.
void saveShortcutsBatch(const std::string& path, const Json& batch);

}  // namespace tarsel
