#include "platform/linux/WlClipboard.h"

#include "runtime/Log.h"
#include "runtime/Process.h"

namespace tarsel {

void WlClipboard::setText(const std::string& utf8) {
    // No output is read: the copy that stays behind keeps its end open.
    ProcessOptions options;
    options.captureStdout = false;
    auto r = runProcess(copyTool_, {"--type", "text/plain;charset=utf-8", "--", utf8}, options);
    if (!r || r->status != 0)
        logLine("⚠️ [Clipboard] wl-copy: " +
                (r ? "status " + std::to_string(r->status) : r.error()));
}

std::string WlClipboard::text() {
    auto r = runProcess(pasteTool_, {"--no-newline"});
    return r ? r->output : "";
}

}  // namespace tarsel
