#include "shortcuts/ShortcutLibrary.h"

#include <asio/post.hpp>

#include "runtime/Log.h"
#include "shortcuts/ShortcutResponses.h"
#include "shortcuts/ShortcutStore.h"

namespace tarsel {
namespace {

// What the saved lines need of a batch, its names and item counts, without
// keeping its items while they wait for the writer.
Json summaryOf(const Json& batch) {
    Json summary = Json::object();
    for (const auto& [name, items] : batch.items())
        summary[name] = Json::array_t(items.is_array() ? items.size() : 0);
    return summary;
}

}  // namespace

ShortcutLibrary::ShortcutLibrary(std::string path, const asio::any_io_executor& writer)
    : path_(std::move(path)), writer_(asio::make_strand(writer)) {
    database_ = loadShortcutsDatabase(path_);
}

std::vector<std::string> ShortcutLibrary::responses() {
    std::lock_guard lock(mutex_);
    if (!database_) return {};
    if (!chunks_) chunks_ = buildShortcutsResponses(*database_);
    return *chunks_;
}

// A layout that could not be read is not replaced by a sync: the user's file
// is still there, and the line says the sync was not kept.
void ShortcutLibrary::saveBatch(const Json& uploaded) {
    if (!uploaded.is_object() || uploaded.empty()) return;
    const Json batch = sendableSections(uploaded);
    if (batch.empty()) return;
    std::lock_guard lock(mutex_);
    if (!database_) {
        logLine("❌ 단축키 저장 실패: 읽을 수 없는 " + path_ + " 은(는) 덮어쓰지 않습니다");
        return;
    }
    mergeShortcutsBatch(*database_, batch);
    chunks_.reset();
    unwritten_.push_back(summaryOf(batch));
    if (unwritten_.size() == 1) asio::post(writer_, [this] { write(); });
}

void ShortcutLibrary::write() {
    std::lock_guard one(writing_);
    std::vector<Json> batches;
    std::string text;
    Json sections = Json::object();
    {
        std::lock_guard lock(mutex_);
        if (unwritten_.empty()) return;
        batches.swap(unwritten_);
        text = toCompactJson(*database_);
        for (const auto& [name, items] : database_->items()) sections[name] = nullptr;
    }
    if (!writeShortcutsDatabase(path_, text)) return;
    for (const auto& batch : batches) logShortcutsSaved(batch, sections);
}

}  // namespace tarsel
