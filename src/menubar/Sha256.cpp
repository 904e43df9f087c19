#include "menubar/Sha256.h"

#include <algorithm>
#include <cctype>

#include "menubar/RunTool.h"

namespace tarsel {

std::optional<std::string> sha256Hex(const std::string& filePath, const std::string& shasumPath) {
    ToolResult r = runTool(shasumPath, {"-a", "256", filePath});
    if (r.status != 0) return std::nullopt;
    // "<digest>  <path>": the first word. A blank line holds no digest.
    const char* blanks = " \t\r\n";
    auto begin = r.output.find_first_not_of(blanks);
    if (begin == std::string::npos) return std::nullopt;
    auto end = r.output.find_first_of(blanks, begin);
    return r.output.substr(begin, end == std::string::npos ? std::string::npos : end - begin);
}

bool digestMatches(const std::string& expected, const std::string& computed) {
    auto lower = [](unsigned char c) { return std::tolower(c); };
    return std::equal(expected.begin(), expected.end(), computed.begin(), computed.end(),
                      [&](char a, char b) { return lower(a) == lower(b); });
}

}  // namespace tarsel
