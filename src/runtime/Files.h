#pragma once
// File operations the core needs, implemented by the platform layer.
#include <string>

#include "runtime/Result.h"

namespace tarsel::files {

bool exists(const std::string& path);
// Succeeds when `path` is a directory afterwards.
[[nodiscard]] Result<> createDirectories(const std::string& path);
[[nodiscard]] Result<std::string> readAll(const std::string& path);

// Writes to a temporary file beside `path`, fsyncs it, renames it over `path`
// and fsyncs the directory: a reader or a crash sees the old file or the new
// one, never a mix. The temporary is `path + tmpSuffix`, or a unique name when
// the suffix is empty; a failed write removes it.
[[nodiscard]] Result<> writeAtomic(const std::string& path, const std::string& data, int mode,
                                   const std::string& tmpSuffix = "");

// Removes a file or an empty directory.
[[nodiscard]] Result<> remove(const std::string& path);

std::string join(const std::string& dir, const std::string& name);
std::string parentOf(const std::string& path);

}  // namespace tarsel::files
