#include "menubar/SelfUpdate.h"

#include <asio/post.hpp>

#include "menubar/AlertWords.h"
#include "menubar/DetachedUpdater.h"
#include "menubar/SelfUpdateJob.h"
#include "menubar/StatusBarController.h"
#include "menubar/TrustedUrl.h"
#include "platform/Platform.h"
#include "runtime/Log.h"
#include "runtime/Queues.h"
#include "runtime/Text.h"

namespace tarsel {
namespace {

constexpr const char* kNoInstaller = N_("this platform has no automatic install");

bool isBusy(UpdateState state) {
    return state != UpdateState::idle && state != UpdateState::failed;
}

void showFallbackAlert(StatusBarController& controller, const std::string& reason) {
    controller.updateState = UpdateState::idle;
    const AlertWords w = alertWords();
    AlertSpec alert;
    alert.message = w.installFailedTitle;
    alert.informative = withValue(w.installFailedText, reason);
    alert.buttons = {w.openDownloadPage, w.later};
    if (platform().alerts->runModal(alert) == 1000) controller.openDownloadPage();
    controller.rebuildMenu();
}

}  // namespace

bool hasInstaller(const HostConstants& h) {
    for (const std::string* s : {&h.installPath, &h.shasumPath, &h.hdiutilPath, &h.cpPath,
                                 &h.codesignPath, &h.spctlPath, &h.staplerPath, &h.bashPath,
                                 &h.launchctlPath, &h.osascriptPath, &h.xattrPath, &h.openPath})
        if (s->empty()) return false;
    return true;
}

void fallbackToManualDownload(StatusBarController& controller, const std::string& reason) {
    logLine(tr("⚠️ automatic update fell back to the download page: {1}", reason));
    platform().mainLoop->post([&controller, reason] { showFallbackAlert(controller, reason); });
}

void performSelfUpdate(StatusBarController& controller) {
    if (isBusy(controller.updateState)) return;
    // No installer here: say so at once rather than download what cannot be installed.
    if (!hasInstaller(platform().host))
        return fallbackToManualDownload(controller, tr(kNoInstaller));
    if (!controller.dmgDirectURL || controller.dmgDirectURL->empty() || !controller.latestVersion)
        return fallbackToManualDownload(controller, tr("no automatic install information"));
    if (!isTrustedDownloadAddress(*controller.dmgDirectURL, controller.websiteURL))
        return fallbackToManualDownload(controller, tr("untrusted download address"));
    controller.setUpdateState(UpdateState::downloading);
    // The fields are read here, on the main thread, not by the job.
    SelfUpdateJob job;
    job.address = *controller.dmgDirectURL;
    job.expectedSHA256 = controller.expectedSHA256;
    job.handOver = [&controller](const std::string& newApp, const std::string& workDir) {
        launchDetachedUpdater(controller, newApp, workDir);
    };
    asio::post(controller.executors().userInitiated,
               [&controller, job = std::move(job)] { runSelfUpdateJob(controller, job); });
}

}  // namespace tarsel
