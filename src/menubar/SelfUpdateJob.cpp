#include "menubar/SelfUpdateJob.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <future>
#include <thread>

#include "menubar/DetachedUpdater.h"
#include "menubar/RunTool.h"
#include "menubar/SelfUpdate.h"
#include "menubar/Sha256.h"
#include "menubar/StatusBarController.h"
#include "menubar/VerifyExtractedApp.h"
#include "platform/Platform.h"
#include "runtime/Files.h"
#include "runtime/SecureRandom.h"
#include "runtime/Text.h"

namespace tarsel {
namespace {

namespace fs = std::filesystem;

// Nothing without a secure random source: a guessable name in the shared
// temporary folder could be prepared by another user.
std::optional<std::string> uppercaseUuid() {
    unsigned char b[16];
    if (!secureRandomBytes(b, sizeof b)) return std::nullopt;
    b[6] = (b[6] & 0x0f) | 0x40;  // version 4
    b[8] = (b[8] & 0x3f) | 0x80;  // RFC 4122 variant
    char text[37];
    std::snprintf(text, sizeof text,
                  "%02X%02X%02X%02X-%02X%02X-%02X%02X-%02X%02X-%02X%02X%02X%02X%02X%02X", b[0],
                  b[1], b[2], b[3], b[4], b[5], b[6], b[7], b[8], b[9], b[10], b[11], b[12], b[13],
                  b[14], b[15]);
    return std::string(text);
}

void removeTree(const std::string& path) {
    std::error_code ec;
    fs::remove_all(path, ec);
}

class Download {
  public:
    Download(const SelfUpdateJob& job, std::string dmgPath)
        : job_(job), dmgPath_(std::move(dmgPath)) {}

    // The transfer streams into a side file that becomes "update.dmg" only
    // after a complete 200 answer. The job waits for it at most `downloadWaitSeconds`; a transfer
    // still running then is cancelled and waited for, so nothing writes into the work directory
    // after the job has removed it.
    bool run() {
        if (!platform().http) return false;
        std::promise<bool> done;
        auto result = done.get_future();
        std::thread transfer([this, &done] { done.set_value(transferAndMove()); });
        bool ok = false;
        if (result.wait_for(std::chrono::duration<double>(job_.downloadWaitSeconds)) ==
            std::future_status::ready) {
            ok = result.get();
        } else {
            cancel_ = true;
        }
        transfer.join();
        return ok && files::exists(dmgPath_);
    }

  private:
    bool transferAndMove() {
        std::string part = dmgPath_ + ".part";
        auto r = platform().http->download(job_.address, part, job_.requestTimeoutSeconds, cancel_);
        std::error_code ec;
        bool ok = r && r->status == 200 && !cancel_;
        if (ok) {
            fs::remove(dmgPath_, ec);
            fs::rename(part, dmgPath_, ec);
            ok = !ec;
        }
        if (!ok) fs::remove(part, ec);
        return ok;
    }

    const SelfUpdateJob& job_;
    std::string dmgPath_;
    std::atomic<bool> cancel_{false};
};

struct Paths {
    std::string work, dmg, mnt, mountedApp, copiedApp;
    explicit Paths(const std::string& workDir)
        : work(workDir),
          dmg(files::join(workDir, "update.dmg")),
          mnt(files::join(workDir, "mnt")),
          mountedApp(files::join(mnt, kBundleName)),
          copiedApp(files::join(workDir, kBundleName)) {}
};

class Job {
  public:
    Job(StatusBarController& controller, const SelfUpdateJob& job)
        : controller_(controller),
          job_(job),
          host_(platform().host),
          paths_(newWorkDirectoryPath(host_.tempDir)) {}

    void run() {
        if (paths_.work.empty())
            return fallbackToManualDownload(controller_, tr("download failed"));
        if (!files::createDirectories(paths_.work)) return fail(tr("download failed"));
        if (!Download(job_, paths_.dmg).run()) return fail(tr("download failed"));
        if (!integrityHolds()) return fail(tr("file integrity check failed"));
        if (!files::createDirectories(paths_.mnt))
            return fail(tr("disk image could not be opened"));
        if (runTool(host_.hdiutilPath, {"attach", paths_.dmg, "-mountpoint", paths_.mnt,
                                        "-nobrowse", "-noautoopen", "-noverify"})
                .status != 0)
            return fail(tr("disk image could not be opened"));
        if (!files::exists(paths_.mountedApp)) {
            detach();
            return fail(tr("no app inside the image"));
        }
        int copied = runTool(host_.cpPath, {"-R", paths_.mountedApp, paths_.copiedApp}).status;
        detach();
        if (copied != 0 || !files::exists(paths_.copiedApp))
            return fail(tr("app could not be extracted"));
        controller_.setUpdateState(UpdateState::verifying);
        SignatureTools tools{host_.codesignPath, host_.spctlPath, host_.staplerPath};
        if (!verifyExtractedApp(paths_.copiedApp, controller_.teamID, tools))
            return fail(tr("security check failed (signature/notarization)"));
        controller_.setUpdateState(UpdateState::installing);
        // The work directory stays: the updater removes it.
        if (job_.handOver) return job_.handOver(paths_.copiedApp, paths_.work);
        launchDetachedUpdater(controller_, paths_.copiedApp, paths_.work);
    }

  private:
    bool integrityHolds() {
        if (!job_.expectedSHA256 || job_.expectedSHA256->empty()) return true;
        auto digest = sha256Hex(paths_.dmg, host_.shasumPath);
        return digest && digestMatches(*job_.expectedSHA256, *digest);
    }

    void detach() { runTool(host_.hdiutilPath, {"detach", paths_.mnt, "-force"}); }

    void fail(const std::string& reason) {
        removeTree(paths_.work);
        fallbackToManualDownload(controller_, reason);
    }

    StatusBarController& controller_;
    const SelfUpdateJob& job_;
    const HostConstants& host_;
    Paths paths_;
};

}  // namespace

std::string newWorkDirectoryPath(const std::string& tempDir) {
    auto uuid = uppercaseUuid();
    return uuid ? files::join(tempDir, kWorkDirPrefix + *uuid) : "";
}

void runSelfUpdateJob(StatusBarController& controller, const SelfUpdateJob& job) {
    Job(controller, job).run();
}

}  // namespace tarsel
