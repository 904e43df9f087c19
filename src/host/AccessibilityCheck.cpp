#include "host/AccessibilityCheck.h"

#include <cstdlib>

#include "host/LaunchAgentPlist.h"
#include "menubar/AlertWords.h"
#include "platform/Platform.h"
#include "runtime/Log.h"
#include "runtime/Process.h"
#include "runtime/Text.h"

namespace tarsel {
namespace {

// The host's own step, where it knows one, follows the general advice.
AlertSpec permissionAlert(const AlertWords& w) {
    AlertSpec alert;
    alert.message = w.permissionTitle;
    alert.informative = w.permissionText;
    if (const std::string fix = platform().accessibility->fix(); !fix.empty())
        alert.informative += "\n\n▶ " + fix;
    alert.buttons = {w.openSettings};
    if (!w.forceReset.empty()) alert.buttons.push_back(w.forceReset);
    alert.buttons.push_back(w.later);
    alert.warning = true;
    return alert;
}

void showPermissionAlert() {
    const AlertWords words = alertWords();
    const int answer = platform().alerts->runModal(permissionAlert(words));
    if (answer == 1000)
        openAccessibilitySettings();
    else if (answer == 1001 && !words.forceReset.empty())
        forceResetAccessibilityPermission();
    // else Later or closed: keep running without input
}

Result<ProcessResult> runTccutil() {
    const std::string& tool = platform().host.tccutilPath;
    if (tool.empty())  // no permission database on this system
        return failure(
            "The file \xe2\x80\x9ctccutil\xe2\x80\x9d couldn't be opened: "
            "No such file or directory");
    return runProcess(tool, {"reset", "Accessibility", kLaunchAgentLabel});
}

}  // namespace

void checkAccessibilityPermission() {
    if (platform().accessibility->isTrusted()) {
        logLine(tr("✅ input permission: granted"));
        return;
    }
    logBlankLine();
    for (const std::string& line : platform().host.words.permissionLog) logLine(tr(line.c_str()));
    if (const std::string fix = platform().accessibility->fix(); !fix.empty())
        logLine("⚠️  " + fix);
    logBlankLine();
    platform().mainLoop->post(showPermissionAlert);
}

void openAccessibilitySettings() {
    platform().accessibility->openSettings();
}

void forceResetAccessibilityPermission() {
    logLine(tr("🔧 force reset: running tccutil reset"));
    auto reset = runTccutil();
    if (!reset)
        logLine(tr("❌ tccutil could not run: {1}", reset.error()));
    else if (reset->status == 0)
        logLine(tr("✅ permission record reset"));
    else
        logLine(tr("⚠️ tccutil ended with status {1}", reset->status));
    openAccessibilitySettings();
    // The service manager starts the agent again, which checks afresh.
    platform().mainLoop->postAfter(std::chrono::milliseconds(500), [] {
        Logger::instance().flush();
        std::_Exit(0);
    });
}

}  // namespace tarsel
