#include "menubar/VerifyExtractedApp.h"

#include "menubar/RunTool.h"
#include "runtime/Log.h"
#include "runtime/Text.h"

#include <sstream>

namespace tarsel {
namespace {

// One whole line, so neither a longer team ID nor a path holding the text passes.
bool namesTeam(const std::string& output, const std::string& teamID) {
    std::istringstream lines(output);
    for (std::string line; std::getline(lines, line);)
        if (line == "TeamIdentifier=" + teamID) return true;
    return false;
}

bool fails(const std::string& logText) {
    logLine(logText);
    return false;
}

}  // namespace

bool verifyExtractedApp(const std::string& appPath, const std::string& teamID,
                        const SignatureTools& tools) {
    if (runTool(tools.codesign, {"--verify", "--deep", "--strict", appPath}).status != 0)
        return fails(tr("❌ codesign --verify failed"));
    // Only the printed identity counts: the display mode's status says nothing.
    auto identity = runTool(tools.codesign, {"-dv", "--verbose=4", appPath});
    if (!namesTeam(identity.output, teamID)) return fails(tr("❌ TeamIdentifier mismatch"));
    if (runTool(tools.spctl, {"--assess", "--type", "exec", appPath}).status != 0)
        return fails(tr("❌ spctl refused"));
    if (runTool(tools.stapler, {"validate", appPath}).status != 0)
        return fails(tr("❌ stapler validate failed"));
    logLine(tr("✅ security checks passed (signature, TeamID, spctl, notarization)"));
    return true;
}

}  // namespace tarsel
