#pragma once
// Command-line tools of the self-update and the updater hand-over.
#include <string>
#include <vector>

namespace tarsel {

struct ToolResult {
    int status = -1;     // exit status; -1 when the tool could not be started
    std::string output;  // standard output and standard error together
};

// Runs `path` with `args`, without a shell, reads its combined output to the
// end and then waits for it. Output that is not valid UTF-8 comes back empty.
ToolResult runTool(const std::string& path, const std::vector<std::string>& args);

}  // namespace tarsel
