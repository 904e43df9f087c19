#pragma once
// File operations the core needs, implemented by the platform layer.
#include <optional>
#include <string>

namespace tarsel::files {

bool exists(const std::string& path);
bool createDirectories(const std::string& path, std::string* error = nullptr);

struct ReadResult {
    bool ok = false;
    std::string data;
    std::string error;
};
ReadResult readAll(const std::string& path);

// Writes to `path + suffix`, fsyncs it, renames it over `path` and fsyncs the
// directory: a reader or a crash sees the old file or the new one, never a mix.
bool writeAtomic(const std::string& path, const std::string& data, int mode,
                 std::string* error = nullptr, const std::string& tmpSuffix = ".tmp");

std::string join(const std::string& dir, const std::string& name);
std::string parentOf(const std::string& path);

}  // namespace tarsel::files
