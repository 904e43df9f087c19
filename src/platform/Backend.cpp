// The one place that chooses a backend.
#include <cstdlib>
#include <string>

#include "platform/Platform.h"
#include "platform/headless/AsioMainLoop.h"
#include "platform/headless/LogAlerts.h"
#include "platform/headless/NullPorts.h"
#include "platform/linux/AvahiAdvertiser.h"
#include "platform/linux/LinuxHost.h"
#include "platform/linux/NetlinkPathMonitor.h"
#include "platform/linux/SystemdLoginService.h"
#include "platform/linux/X11Accessibility.h"
#include "platform/posix/LaunchdLoginService.h"
#include "platform/record/RecordAdvertiser.h"
#include "platform/record/RecordHost.h"
#include "platform/record/Recorder.h"
#include "runtime/Log.h"

namespace tarsel {
namespace {

std::string env(const char* name) {
    const char* v = std::getenv(name);
    return v ? v : "";
}

// launchd where it exists, else a systemd user unit.
std::unique_ptr<LoginService> loginService(const HostConstants& host) {
    if (!host.launchctlPath.empty())
        return std::make_unique<LaunchdLoginService>(host.homeDir, host.launchctlPath);
    return std::make_unique<SystemdLoginService>(host.homeDir, host.systemctlPath);
}

std::unique_ptr<Platform> basePlatform(const std::string& name) {
    auto p = std::make_unique<Platform>();
    p->backendName = name;
    p->host = linuxHostConstants();
    fillNullPorts(*p);
    p->pathMonitor = std::make_unique<NetlinkPathMonitor>();
    p->login = loginService(p->host);
    return p;
}

std::unique_ptr<Platform> headless() {
    auto p = basePlatform("headless");
    p->mainLoop = std::make_unique<AsioMainLoop>();
    p->advertiser = std::make_unique<AvahiAdvertiser>();
    p->accessibility = std::make_unique<X11Accessibility>(p->host.openPath, p->host.executablePath,
                                                          p->host.websiteHost);
    p->alerts = std::make_unique<LogAlerts>();
    return p;
}

std::unique_ptr<Platform> record() {
    auto p = basePlatform("record");
    auto recorder = std::make_shared<Recorder>(env("TARSEL_RECORD"));
    p->mainLoop = std::make_unique<AsioMainLoop>();
    p->advertiser = std::make_unique<RecordAdvertiser>(recorder);
    p->alerts = std::make_unique<RecordAlerts>(recorder);
    p->accessibility = std::make_unique<RecordAccessibility>(recorder);
    p->login = std::make_unique<RecordLoginService>(std::move(p->login), recorder);
    return p;
}

std::unique_ptr<Platform> x11(int&, char**) {
    auto p = headless();
    p->backendName = "x11";
    return p;
}

}  // namespace

std::unique_ptr<Platform> createPlatform(int& argc, char** argv) {
    std::string kind = env("TARSEL_BACKEND");
    if (kind.empty() || kind == "auto") kind = env("DISPLAY").empty() ? "headless" : "x11";
    if (kind == "record") return record();
    if (kind == "x11") return x11(argc, argv);
    if (kind != "headless") logLine("⚠️ 알 수 없는 TARSEL_BACKEND: " + kind + " (headless 사용)");
    return headless();
}

}  // namespace tarsel
