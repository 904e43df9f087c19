#pragma once
// The agent's layout: read at start-up, kept in memory, served from there, and
// saved by one writer so the network thread never waits for a disk. A sync is
// merged into memory at once, in arrival order, so a fetch right after it
// returns what it stored; the writer then saves every batch merged since its
// last write in one write. The file stays the user's: before a fetch or a sync
// the library reads it again where someone else has changed it.
#include <asio/any_io_executor.hpp>
#include <asio/strand.hpp>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "runtime/Files.h"
#include "runtime/Json.h"

namespace tarsel {

class ShortcutLibrary {
  public:
    // Reads `path`; saves run one at a time on `writer`, whose work must not
    // outlive the library (the agent's lives until the process ends).
    ShortcutLibrary(std::string path, const asio::any_io_executor& writer);

    // One chunk per section, built once per change of the layout.
    std::vector<std::string> responses();
    void saveBatch(Json batch);
    // One section as stored (null where there is none).
    Json section(const std::string& name);
    // Replaces section `name` with `items` where `revisionOf` it is still
    // `revision`; the new revision, else nothing (stale, too large, or the
    // file unreadable).
    std::optional<std::string> replaceSection(const std::string& name, const std::string& revision,
                                              Json items, std::string (*revisionOf)(const Json&));
    // Writes what has not been written yet, on the calling thread: the
    // orderly end loses no accepted sync.
    void flush() { write(); }

  private:
    void mergeLocked(Json batch);  // caller holds mutex_
    void write();
    // The file as it is now, where it is not what the library last read or
    // wrote. Caller holds mutex_.
    void reloadForFetch();
    void reloadForSync();
    bool changedOnDisk(std::optional<files::Identity>& now) const;

    const std::string path_;
    asio::strand<asio::any_io_executor> writer_;
    std::mutex writing_;  // one write at a time, the writer's or a flush
    std::mutex mutex_;
    std::optional<Json> database_;  // none: the file exists and could not be read
    std::optional<std::vector<std::string>> chunks_;
    std::vector<Json> unwritten_;
    std::optional<files::Identity> known_;     // of the file last read or written
    std::optional<files::Identity> reported_;  // a damaged file whose line is out
    bool unsendable_ = false;                  // the file now there does not parse
};

}  // namespace tarsel
