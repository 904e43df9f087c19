#include "config/DataDirectory.h"

#include <array>

#include "runtime/Files.h"
#include "runtime/Log.h"
#include "runtime/Text.h"

namespace tarsel {
namespace {

constexpr std::array<const char*, 2> kDataFiles = {"config.json", "shortcuts_db.json"};
constexpr int kDataFileMode = 0600;  // the PIN and the user's layout

Result<> copyMissing(const std::string& from, const std::string& to) {
    for (const char* name : kDataFiles) {
        const std::string source = files::join(from, name), target = files::join(to, name);
        if (!files::exists(source) || files::exists(target)) continue;
        auto read = files::readAll(source);
        if (!read) return failure(read.error());
        if (auto written = files::writeAtomic(target, *read, kDataFileMode); !written)
            return written;
    }
    return {};
}

}  // namespace

void migrateDataDirectory(const std::string& from, const std::string& to) {
    if (!files::exists(from)) return;
    auto copied =
        files::createDirectories(to, 0700).and_then([&] { return copyMissing(from, to); });
    if (!copied) {
        logLine(tr("⚠️ [Config] the data could not be moved (it stays where it was): {1}",
                   copied.error()));
        return;
    }
    int moved = 0;
    for (const char* name : kDataFiles) moved += files::remove(files::join(from, name)) ? 1 : 0;
    (void)files::remove(from);  // only when nothing else is left in it
    if (moved > 0) logLine(tr("📂 [Config] the data moved to its new place: {1} → {2}", from, to));
}

std::string makeAppSupportDir(const HostConstants& host) {
    std::string dir = host.dataDir.empty()
                          ? files::join(host.homeDir, "Library/Application Support/TarselServer")
                          : host.dataDir;
    for (const std::string& legacy : host.legacyDataDirs) migrateDataDirectory(legacy, dir);
    // A folder that cannot be made shows as the PIN's and the store's own failures.
    (void)files::createDirectories(dir, 0700);  // the PIN and the user's layout
    return dir;
}

}  // namespace tarsel
