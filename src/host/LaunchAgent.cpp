#include "host/LaunchAgent.h"

#include "host/LaunchAgentPlist.h"
#include "platform/Platform.h"
#include "runtime/Files.h"
#include "runtime/Log.h"

namespace tarsel {

void ensureLaunchAgentInstalled() {
    auto& login = *platform().login;
    const std::string path = login.registrationPath();
    if (path.empty() || files::exists(path)) return;  // never rewrite the user's file
    const auto& host = platform().host;
    const std::string executable =
        host.executablePath.empty() ? kDefaultExecutablePath : host.executablePath;
    const auto installed = login.install(executable, agentLogPath(host.homeDir));
    if (!installed) {
        logLine(tr(platform().host.words.loginRegisterFailed.c_str(), installed.error()));
        return;
    }
    if (installed->empty()) return;  // an older install's choice, recorded as it was
    logLine(tr(platform().host.words.loginRegistered.c_str(), *installed));
    logLine(tr("   → starts by itself from the next log-in or restart"));
}

}  // namespace tarsel
