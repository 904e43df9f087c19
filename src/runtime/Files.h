#pragma once
// File operations the core needs, implemented by the platform layer.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "runtime/Result.h"

namespace tarsel::files {

bool exists(const std::string& path);

// Which file a path named when it was read or written: a change of any field
// means someone else wrote it since.
struct Identity {
    uint64_t device = 0, inode = 0, size = 0;
    int64_t modifiedNs = 0;
    bool operator==(const Identity&) const = default;
};
// None when nothing is there.
std::optional<Identity> identityOf(const std::string& path);
// Succeeds when `path` is a directory afterwards. `mode` is that of `path`
// itself where it is made here (the umask applies to its parents).
[[nodiscard]] Result<> createDirectories(const std::string& path, int mode = 0777);
// Far above anything the agent writes; a larger file is not one of ours.
inline constexpr long kLargestRead = 1 << 20;
// The whole of a regular file of at most kLargestRead bytes; anything else
// (a FIFO, a device, a folder, a larger file) fails.
[[nodiscard]] Result<std::string> readAll(const std::string& path);

// Writes to a temporary file of a unique name beside `path` ("<path>.tmp-"
// and six characters, created exclusively), fsyncs it, renames it over `path`
// and fsyncs the directory: a reader or a crash sees the old file or the new
// one, never a mix. A failed write removes the temporary. With `replace`
// false an existing file is left as it is and the write fails with
// kAlreadyThere.
// `written`, when given, gets the identity of the file renamed into place.
[[nodiscard]] Result<> writeAtomic(const std::string& path, const std::string& data, int mode,
                                   bool replace = true, Identity* written = nullptr);
inline constexpr const char* kAlreadyThere = "another writer created the file first";
inline constexpr const char* kTemporaryMarker = ".tmp-";
// Start-up: removes the temporaries a killed writer left in `dir` (those at
// least a minute old).
void removeStaleTemporaries(const std::string& dir);

// Renames within one file system, replacing nothing that is there already
// (then it fails with kAlreadyThere).
[[nodiscard]] Result<> moveAside(const std::string& from, const std::string& to);
// The names in `dir`, in no particular order; none when it cannot be read.
std::vector<std::string> namesIn(const std::string& dir);

// Removes a file or an empty directory.
[[nodiscard]] Result<> remove(const std::string& path);

std::string join(const std::string& dir, const std::string& name);
std::string parentOf(const std::string& path);

}  // namespace tarsel::files
