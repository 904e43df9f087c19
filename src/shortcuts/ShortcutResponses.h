#pragma once
#include <string>
#include <vector>

#include "runtime/Json.h"

namespace tarsel {

// One compact JSON string per section stored at `path`, in section-name order (NFC, then
// code point order). Reads the file afresh each time; problems give a shorter list.
std::vector<std::string> buildShortcutsResponses(const std::string& path);
// The same for a database already in memory.
std::vector<std::string> buildShortcutsResponses(const Json& database);

// The largest datagram IPv4 UDP carries, and so the largest chunk.
inline constexpr std::size_t kLargestChunk = 65507;
// The sections of `batch` whose chunk, as a fetch would send it, fits one
// datagram; each other one is left out with a line naming it and its size, so
// the stored section stays and the phone never loses it.
Json sendableSections(Json batch);

}  // namespace tarsel
