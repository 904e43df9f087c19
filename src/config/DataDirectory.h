#pragma once
#include <string>

#include "platform/Host.h"

namespace tarsel {

// The host's data directory (on a Mac "Library/Application Support/TarselServer"
// under the home directory), created on demand, with the files of earlier
// data directories moved in; a failure is ignored here and surfaces at the
// first write.
std::string makeAppSupportDir(const HostConstants& host);

// Moves config.json and shortcuts_db.json from `from` into `to` once. Every
// new file is complete and synced before an old one is removed, and a file
// already in `to` is never replaced, so an interrupted move is finished by
// the next start and nothing the phone relies on (its PIN, its layout) is lost.
void migrateDataDirectory(const std::string& from, const std::string& to);

}  // namespace tarsel
