#include "menubar/DetachedUpdater.h"

#include <cstdlib>
#include <filesystem>

#include "app/Globals.h"
#include "menubar/SelfUpdate.h"
#include "menubar/StatusBarController.h"
#include "menubar/UpdaterScript.h"
#include "net/UdpServer.h"
#include "platform/Platform.h"
#include "runtime/Files.h"
#include "runtime/Log.h"
#include "runtime/Process.h"
#include "runtime/Text.h"

namespace tarsel {
namespace {

UpdaterScriptTools scriptTools(const HostConstants& h) {
    return {h.codesignPath, h.launchctlPath, h.osascriptPath, h.cpPath, h.xattrPath, h.openPath};
}

bool writeScript(const std::string& path, const std::string& text) {
    if (!files::writeAtomic(path, text, 0755)) return false;
    std::error_code ec;
    std::filesystem::permissions(path, std::filesystem::perms(0755),
                                 std::filesystem::perm_options::replace, ec);
    return !ec;
}

// The script runs in a session of its own, its output discarded: a service
// manager that ends the agent's process group on exit cannot take it along.
bool startDetached(const std::string& bash, const std::string& scriptPath) {
    return spawnDetached(bash, {scriptPath}, "/dev/null").has_value();
}

}  // namespace

void launchDetachedUpdater(StatusBarController& controller, const std::string& newAppPath,
                           const std::string& workDir) {
    const HostConstants& host = platform().host;
    UpdaterScriptValues values;
    values.parentPid = currentProcessId();
    values.newApp = newAppPath;
    values.dest = host.installPath;
    values.plist = host.homeDir + "/Library/LaunchAgents/com.tarsel.server.plist";
    values.teamID = controller.teamID;
    values.selfDir = workDir;
    std::string scriptPath = workDir + "/updater.sh";
    if (!writeScript(scriptPath, updaterScript(values, scriptTools(host))))
        return fallbackToManualDownload(controller, tr("the updater could not be written"));

    StatusBarController::isUpdateRestart = true;
    if (!startDetached(host.bashPath, scriptPath)) {
        // The login service was never touched: the agent simply keeps running.
        StatusBarController::isUpdateRestart = false;
        return fallbackToManualDownload(controller, tr("the updater could not be started"));
    }
    // Only now that the updater runs may the service go down, even if going
    // down stops this very process.
    if (platform().login) platform().login->unload();

    logLine(tr("🚀 the updater runs on its own — the app quits"));
    auto& g = globals();
    if (g.activeListener) g.activeListener->cancel();
    g.bonjourService.reset();
    Logger::instance().flush();
    std::_Exit(0);
}

}  // namespace tarsel
