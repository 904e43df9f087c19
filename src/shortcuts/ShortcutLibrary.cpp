#include "shortcuts/ShortcutLibrary.h"

#include <asio/post.hpp>

#include "runtime/Log.h"
#include "runtime/Text.h"
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
    if (database_) known_ = files::identityOf(path_);
}

// While a write of ours is on its way, the file is about to be what memory holds.
bool ShortcutLibrary::changedOnDisk(std::optional<files::Identity>& now) const {
    if (!unwritten_.empty()) return false;
    now = files::identityOf(path_);
    return now != known_;
}

// A file that does not parse is reported once (not at every fetch) and gets
// no answer; it stays where it is for the user to mend.
void ShortcutLibrary::reloadForFetch() {
    std::optional<files::Identity> now;
    if (!changedOnDisk(now)) return;
    unsendable_ = false;
    auto read = now ? files::readAll(path_) : Result<std::string>("{}");
    std::string error = read ? "" : read.error();
    if (read) {
        auto doc = parseJsonDocument(*read);
        if (doc.value) {
            // Not an object: quietly nothing to send, and a sync sets it aside.
            const bool object = doc.value->is_object();
            database_ = object ? std::move(*doc.value) : Json::object();
            if (object) known_ = now;
            chunks_.reset();
            return;
        }
        error = doc.error;
    }
    unsendable_ = true;
    if (reported_ != now) logLine("❌ Failed to build shortcuts response: " + error);
    reported_ = now;
}

// A damaged file is set aside, as at start-up, and the sync starts afresh.
void ShortcutLibrary::reloadForSync() {
    std::optional<files::Identity> now;
    if (!changedOnDisk(now)) return;
    database_ = loadShortcutsDatabase(path_);
    known_ = database_ ? files::identityOf(path_) : std::nullopt;
    unsendable_ = false;
    chunks_.reset();
}

std::vector<std::string> ShortcutLibrary::responses() {
    std::lock_guard lock(mutex_);
    reloadForFetch();
    if (!database_ || unsendable_) return {};
    if (!chunks_) chunks_ = buildShortcutsResponses(*database_);
    return *chunks_;
}

// A layout that could not be read is not replaced by a sync: the user's file
// is still there, and the line says the sync was not kept.
void ShortcutLibrary::saveBatch(Json uploaded) {
    if (!uploaded.is_object() || uploaded.empty()) return;
    Json batch = sendableSections(std::move(uploaded));
    if (batch.empty()) return;
    std::lock_guard lock(mutex_);
    reloadForSync();
    if (!database_) {
        logLine(tr("❌ shortcuts not saved: {1} cannot be read and is not overwritten", path_));
        return;
    }
    mergeLocked(std::move(batch));
}

void ShortcutLibrary::mergeLocked(Json batch) {
    unwritten_.push_back(summaryOf(batch));
    mergeShortcutsBatch(*database_, std::move(batch));
    chunks_.reset();
    if (unwritten_.size() == 1) asio::post(writer_, [this] { write(); });
}

Json ShortcutLibrary::section(const std::string& name) {
    std::lock_guard lock(mutex_);
    reloadForFetch();
    if (!database_ || unsendable_ || !database_->contains(name)) return nullptr;
    return (*database_)[name];
}

std::optional<std::string> ShortcutLibrary::replaceSection(const std::string& name,
                                                           const std::string& revision, Json items,
                                                           std::string (*revisionOf)(const Json&)) {
    Json batch = sendableSections(Json{{name, std::move(items)}});
    if (batch.empty()) return std::nullopt;
    std::lock_guard lock(mutex_);
    reloadForSync();
    if (!database_) return std::nullopt;
    const Json current = database_->contains(name) ? (*database_)[name] : Json();
    if (revisionOf(current) != revision) return std::nullopt;
    const std::string next = revisionOf(batch[name]);
    mergeLocked(std::move(batch));
    return next;
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
    files::Identity written;
    if (!writeShortcutsDatabase(path_, text, &written)) return;
    {
        std::lock_guard lock(mutex_);
        known_ = written;
    }
    for (const auto& batch : batches) logShortcutsSaved(batch, sections);
}

}  // namespace tarsel
