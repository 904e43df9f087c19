#include "shortcuts/ShortcutStore.h"

#include <algorithm>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "runtime/DamagedCopy.h"
#include "runtime/Files.h"
#include "runtime/Log.h"
#include "runtime/LogText.h"
#include "runtime/Text.h"
#include "runtime/Unicode.h"
#include "shortcuts/ShortcutResponses.h"

namespace tarsel {
namespace {

constexpr int kFileMode = 0600;  // the layout is the user's own data

std::size_t itemCount(const Json& section) {
    return section.is_array() ? section.size() : 0;
}

std::string joined(const std::vector<std::string>& names) {
    std::string out;
    for (const auto& name : names) out += (out.empty() ? "" : ", ") + clipForLog(name);
    return out;
}

std::vector<std::string> keysOf(const Json& object) {
    std::vector<std::string> keys;
    for (const auto& [key, value] : object.items()) keys.push_back(key);
    return keys;
}

std::mutex& saveMutex() {
    static std::mutex mutex;
    return mutex;
}

// A layout that does not parse is kept for the user to mend, never silently
// replaced by the next sync. False (after a line) when it could not be moved:
// then it must not be written over either.
bool setAsideDamaged(const std::string& path, const std::string& why) {
    auto aside = keepDamagedCopy(path);
    if (!aside) {
        logLine(tr("❌ shortcuts not saved: the damaged file could not be moved aside: {1}",
                   aside.error()));
        return false;
    }
    logLine(
        tr("⚠️ [Shortcuts] the damaged shortcuts file was moved aside; starting with an "
           "empty list ({1}): {2}",
           clipForLog(why), *aside));
    return true;
}

}  // namespace

std::optional<Json> loadShortcutsDatabase(const std::string& path) {
    if (!files::exists(path)) return Json::object();
    auto read = files::readAll(path);
    if (!read) {
        logLine(tr("❌ shortcuts not saved: {1}", read.error()));
        return std::nullopt;
    }
    auto doc = parseJsonDocument(*read);
    if (doc.value && doc.value->is_object()) return std::move(*doc.value);
    if (!setAsideDamaged(path, doc.value ? "not a JSON object" : doc.error)) return std::nullopt;
    return Json::object();
}

void mergeShortcutsBatch(Json& database, Json batch) {
    for (auto& [name, items] : batch.items()) database[name] = std::move(items);
}

bool writeShortcutsDatabase(const std::string& path, const std::string& text,
                            files::Identity* identity) {
    auto written = files::writeAtomic(path, text, kFileMode, true, identity);
    if (!written) logLine(tr("❌ shortcuts not saved: {1}", written.error()));
    return written.has_value();
}

void logShortcutsSaved(const Json& batch, const Json& database) {
    auto batchNames = keysOf(batch);
    auto allNames = keysOf(database);
    std::stable_sort(
        allNames.begin(), allNames.end(),
        [](const std::string& a, const std::string& b) { return unicode::less(a, b); });
    std::size_t total = 0;
    for (const auto& [name, items] : batch.items()) total += itemCount(items);
    const auto sections = std::to_string(batchNames.size());
    logLine(tr("✅ Batch saved {1} sections: {2}", sections, joined(batchNames)));
    logLine(tr("   Total sections in DB: {1}", joined(allNames)));
    logLine(tr("✅ shortcuts saved: {1} sections, {2} items in all", sections, total));
    for (const auto& [name, items] : batch.items())
        logLine(tr("   - {1}: {2}", clipForLog(name), itemCount(items)));
}

void saveShortcutsBatch(const std::string& path, const Json& uploaded) {
    if (!uploaded.is_object() || uploaded.empty()) return;
    const Json batch = sendableSections(uploaded);
    if (batch.empty()) return;
    std::lock_guard lock(saveMutex());
    auto database = loadShortcutsDatabase(path);
    if (!database) return;
    mergeShortcutsBatch(*database, batch);
    if (writeShortcutsDatabase(path, toCompactJson(*database))) logShortcutsSaved(batch, *database);
}

}  // namespace tarsel
