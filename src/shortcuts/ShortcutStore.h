#pragma once
#include <optional>
#include <string>

#include "runtime/Files.h"
#include "runtime/Json.h"

namespace tarsel {

// Merges a batch (an object of section name → array of items) into the
// database at `path` ("shortcuts_db.json"), section by section; a section
// too large to be sent back is refused (sendableSections). Saves are
// serialised: two phones syncing at once never lose a batch or share the
// temporary file.
void saveShortcutsBatch(const std::string& path, const Json& batch);

// The steps of a save, for the agent's in-memory layout (ShortcutLibrary.h).
// The stored sections; a file that does not parse counts as empty. Nothing
// (after a line) when the file exists but cannot be read, so a passing I/O or
// permission error never wipes the user's layout.
std::optional<Json> loadShortcutsDatabase(const std::string& path);
void mergeShortcutsBatch(Json& database, Json batch);
// Atomic, private, synced; false after a line. `written` gets the identity of
// the file put in place.
bool writeShortcutsDatabase(const std::string& path, const std::string& text,
                            files::Identity* written = nullptr);
// The lines of a saved batch, with the sections of the database it went into.
void logShortcutsSaved(const Json& batch, const Json& database);

}  // namespace tarsel
