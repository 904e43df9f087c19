#include "menubar/RunTool.h"

#include "runtime/Process.h"
#include "runtime/Text.h"
#include "runtime/Unicode.h"

namespace tarsel {

ToolResult runTool(const std::string& path, const std::vector<std::string>& args) {
    ProcessOptions options;
    options.captureStdout = true;
    options.mergeStderr = true;
    options.discardStderr = false;
    auto r = runProcess(path, args, options);
    if (!r) return {-1, tr("could not run: {1}", r.error())};
    if (!unicode::isValidUtf8(r->output)) r->output.clear();
    return {r->status, std::move(r->output)};
}

}  // namespace tarsel
