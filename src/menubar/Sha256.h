#pragma once
#include <optional>
#include <string>

namespace tarsel {

// The file's SHA-256 in lower-case hexadecimal, from the digest tool at
// `shasumPath` ("-a 256 <file>"): the first word of its output, or nothing
// when the tool fails or prints nothing.
std::optional<std::string> sha256Hex(const std::string& filePath, const std::string& shasumPath);

// The manifest's digest matches when it equals the computed one apart from
// letter case; nothing is trimmed, so a stray space or line break never matches.
bool digestMatches(const std::string& expected, const std::string& computed);

}  // namespace tarsel
