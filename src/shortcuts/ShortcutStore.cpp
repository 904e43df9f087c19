#include "shortcuts/ShortcutStore.h"

#include <algorithm>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "runtime/Files.h"
#include "runtime/Log.h"
#include "runtime/Unicode.h"

namespace tarsel {
namespace {

constexpr int kFileMode = 0600;  // the layout is the user's own data
constexpr const char* kFailure = "❌ 단축키 저장 실패: ";

// The stored sections; a file that does not parse counts as empty. Nothing
// when the file exists but cannot be read, so a passing I/O or permission
// error never wipes the user's layout.
std::optional<Json> loadDatabase(const std::string& path) {
    if (!files::exists(path)) return Json::object();
    auto read = files::readAll(path);
    if (!read) {
        logLine(kFailure + read.error());
        return std::nullopt;
    }
    auto doc = parseJsonDocument(*read);
    if (doc.value && doc.value->is_object()) return std::move(*doc.value);
    return Json::object();
}

std::size_t itemCount(const Json& section) {
    return section.is_array() ? section.size() : 0;
}

std::string joined(const std::vector<std::string>& names) {
    std::string out;
    for (const auto& name : names) out += (out.empty() ? "" : ", ") + name;
    return out;
}

std::vector<std::string> keysOf(const Json& object) {
    std::vector<std::string> keys;
    for (const auto& [key, value] : object.items()) keys.push_back(key);
    return keys;
}

void logSaved(const Json& batch, const Json& database) {
    auto batchNames = keysOf(batch);
    auto allNames = keysOf(database);
    std::stable_sort(
        allNames.begin(), allNames.end(),
        [](const std::string& a, const std::string& b) { return unicode::less(a, b); });
    std::size_t total = 0;
    for (const auto& [name, items] : batch.items()) total += itemCount(items);
    const auto sections = std::to_string(batchNames.size());
    logLine("✅ Batch saved " + sections + " sections: " + joined(batchNames));
    logLine("   Total sections in DB: " + joined(allNames));
    logLine("✅ 단축키 저장 완료: " + sections + "개 섹션, 총 " + std::to_string(total) + "개 항목");
    for (const auto& [name, items] : batch.items())
        logLine("   - " + name + ": " + std::to_string(itemCount(items)) + "개");
}

std::mutex& saveMutex() {
    static std::mutex mutex;
    return mutex;
}

}  // namespace

void saveShortcutsBatch(const std::string& path, const Json& batch) {
    if (!batch.is_object() || batch.empty()) return;
    std::lock_guard lock(saveMutex());
    auto database = loadDatabase(path);
    if (!database) return;
    for (const auto& [name, items] : batch.items()) (*database)[name] = items;
    if (auto written = files::writeAtomic(path, toCompactJson(*database), kFileMode, ".tmp");
        !written) {
        logLine(kFailure + written.error());
        return;
    }
    logSaved(batch, *database);
}

}  // namespace tarsel
