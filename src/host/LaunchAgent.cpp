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
        logLine(platform().host.words.loginRegisterFailed + installed.error());
        return;
    }
    if (installed->empty()) return;  // an older install's choice, recorded as it was
    logLine(platform().host.words.loginRegistered + *installed);
    logLine("   → 다음 로그인·재부팅부터 자동 시작됨");
}

}  // namespace tarsel
