#include "shortcuts/ShortcutResponses.h"

#include <algorithm>
#include <optional>

#include "runtime/Files.h"
#include "runtime/Json.h"
#include "runtime/Log.h"
#include "runtime/LogText.h"
#include "runtime/Text.h"
#include "runtime/Unicode.h"

namespace tarsel {
namespace {

std::optional<Json> readDatabase(const std::string& path) {
    if (!files::exists(path)) return std::nullopt;
    auto read = files::readAll(path);
    std::string error = read ? "" : read.error();
    if (read) {
        auto doc = parseJsonDocument(*read);
        if (doc.value) return std::move(*doc.value);
        error = doc.error;
    }
    logLine("❌ Failed to build shortcuts response: " + error);
    return std::nullopt;
}

// Items are counted only where the section holds what the phone stores: objects.
long long totalCount(const Json& section) {
    if (!section.is_array()) return 0;
    bool allObjects = std::all_of(section.begin(), section.end(),
                                  [](const Json& item) { return item.is_object(); });
    return allObjects ? static_cast<long long>(section.size()) : 0;
}

std::optional<std::string> chunkFor(const std::string& name, const Json& section) {
    Json chunk = Json::object();
    chunk["type"] = "shortcuts_sync";
    chunk["shortcuts_db"] = Json::object({{name, section}});
    chunk["sections"] = Json::array({name});
    chunk["total_count"] = totalCount(section);
    try {
        return chunk.dump(-1, ' ', false, Json::error_handler_t::strict);
    } catch (const Json::exception&) {
        return std::nullopt;  // not valid UTF-8: this section is left out
    }
}

}  // namespace

Json sendableSections(Json batch) {
    Json kept = Json::object();
    for (auto& [name, items] : batch.items()) {
        auto chunk = chunkFor(name, items);
        const std::size_t bytes = chunk ? chunk->size() : 0;
        if (chunk && bytes <= kLargestChunk) {
            kept[name] = std::move(items);
            continue;
        }
        logLine(
            tr("⚠️ [Shortcuts] section [{1}] is not saved: it does not fit in one datagram "
               "({2} bytes): {3}",
               clipForLog(name), kLargestChunk, chunk ? tr("{1} bytes", bytes) : tr("not UTF-8")));
    }
    return kept;
}

std::vector<std::string> buildShortcutsResponses(const std::string& path) {
    auto database = readDatabase(path);
    if (!database) return {};
    return buildShortcutsResponses(*database);
}

std::vector<std::string> buildShortcutsResponses(const Json& database) {
    if (!database.is_object() || database.empty()) return {};
    std::vector<std::string> names;
    for (const auto& [name, section] : database.items()) names.push_back(name);
    std::stable_sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
        return unicode::less(a, b);
    });
    std::vector<std::string> chunks;
    for (const auto& name : names)
        if (auto chunk = chunkFor(name, database.at(name))) chunks.push_back(std::move(*chunk));
    return chunks;
}

}  // namespace tarsel
