// The one place that chooses a backend.
#include <cstdlib>
#include <optional>
#include <string>

#include "platform/Platform.h"
#include "platform/headless/AsioMainLoop.h"
#include "platform/headless/LogAlerts.h"
#include "platform/headless/NullPorts.h"
#include "platform/linux/AvahiAdvertiser.h"
#include "platform/linux/CurlHttp.h"
#include "platform/linux/DesktopPorts.h"
#include "platform/linux/LinuxHost.h"
#include "platform/linux/NetlinkPathMonitor.h"
#include "platform/linux/SystemdLoginService.h"
#include "platform/linux/WlClipboard.h"
#include "platform/linux/X11Accessibility.h"
#include "platform/linux/X11Clipboard.h"
#include "platform/posix/LaunchdLoginService.h"
#include "platform/record/RecordAdvertiser.h"
#include "platform/record/RecordClipboard.h"
#include "platform/record/RecordHost.h"
#include "platform/record/RecordInput.h"
#include "platform/record/RecordScripts.h"
#include "platform/record/RecordStatusItem.h"
#include "platform/record/RecordWorkspace.h"
#include "platform/record/Recorder.h"
#include "runtime/Files.h"
#include "runtime/Log.h"
#ifdef TARSEL_WITH_QT
#include "platform/qt/QtAlerts.h"
#include "platform/qt/QtMainLoop.h"
#include "platform/qt/QtPairingView.h"
#include "platform/qt/QtStatusItem.h"
#include "runtime/Text.h"
#endif

namespace tarsel {
namespace {

std::string env(const char* name) {
    const char* v = std::getenv(name);
    return v ? v : "";
}

std::optional<std::string> optionalEnv(const char* name) {
    const char* v = std::getenv(name);
    if (!v) return std::nullopt;
    return std::string(v);
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
    p->http = std::make_unique<CurlHttp>();
    return p;
}

std::unique_ptr<Platform> record() {
    auto p = basePlatform("record");
    if (env("TARSEL_RECORD_WORDS") == "mac") p->host.words = HostWords{};  // the Mac's texts
    auto recorder = std::make_shared<Recorder>(env("TARSEL_RECORD"));
    p->mainLoop = std::make_unique<AsioMainLoop>();
    p->advertiser = std::make_unique<RecordAdvertiser>(recorder);
    p->alerts = std::make_unique<RecordAlerts>(recorder);
    p->accessibility = std::make_unique<RecordAccessibility>(recorder);
    p->login = std::make_unique<RecordLoginService>(std::move(p->login), recorder);
    p->input = std::make_unique<RecordInput>(recorder);
    p->clipboard = std::make_unique<RecordClipboard>(recorder);
    p->workspace = std::make_unique<RecordWorkspace>(recorder, env("TARSEL_RECORD_FRONTMOST"),
                                                     optionalEnv("TARSEL_RECORD_INSTALLED"));
    p->scripts = std::make_unique<RecordScripts>(recorder);
    p->http = std::make_unique<CurlHttp>();
    auto window = std::make_unique<RecordPairingView>(recorder);
    p->statusItem = std::make_unique<RecordStatusItem>(recorder, *p->mainLoop,
                                                       env("TARSEL_RECORD_ACTIONS"), window.get());
    p->pairingView = std::move(window);
    return p;
}

// A Wayland session without XWayland: Qt on its Wayland platform for the
// tray (a StatusNotifierItem where the desktop hosts them) and the alerts,
// never for the clipboard, which is the desktop's own, else wl-clipboard's.
std::unique_ptr<Platform> x11(int& argc, char** argv, Executors& executors);

std::unique_ptr<Platform> wayland(int& argc, char** argv, Executors& executors) {
    if (!waylandDisplayReachable()) {
        const bool x11Reachable = !env("DISPLAY").empty() && x11DisplayReachable();
        logLine(tr("⚠️ [Wayland] the compositor {1} cannot be reached: running as {2}",
                   env("WAYLAND_DISPLAY"), x11Reachable ? "X11" : "headless"));
        return x11Reachable ? x11(argc, argv, executors) : headless();
    }
    auto p = headless();
    p->backendName = "wayland";
    if (files::exists("/usr/bin/wl-copy"))
        p->clipboard = std::make_unique<WlClipboard>("/usr/bin/wl-copy", "/usr/bin/wl-paste");
#ifdef TARSEL_WITH_QT
    // Qt aborts the process on a platform it cannot load: only one that is there.
    if (qtWaylandAvailable()) {
        if (std::getenv("QT_QPA_PLATFORM") == nullptr) setenv("QT_QPA_PLATFORM", "wayland", 1);
        p->mainLoop = std::make_unique<QtMainLoop>(argc, argv);
        p->alerts = std::make_unique<QtAlerts>();
        p->statusItem = std::make_unique<QtStatusItem>();
        p->pairingView = std::make_unique<QtPairingView>();
    } else {
        logLine(
            "⚠️ [Tray] Qt's Wayland platform (qt6-wayland) is missing: no tray and no alerts");
    }
#else
    (void)argc;
    (void)argv;
#endif
    installDesktopPorts(*p, executors);
    return p;
}

// The desktop: Qt's event loop as the main loop, X11 input and desktop ports.
// Further desktop ports (tray, alerts) are added here.
std::unique_ptr<Platform> x11(int& argc, char** argv, Executors& executors) {
    initX11Threads();
    // Qt aborts the process on a display it cannot open; the headless shell
    // still serves the phone and warns about the missing input permission.
    if (!x11DisplayReachable()) {
        logLine(
            tr("⚠️ [X11] the display {1} cannot be reached: running headless", env("DISPLAY")));
        return env("WAYLAND_DISPLAY").empty() ? headless() : wayland(argc, argv, executors);
    }
    auto p = headless();
    p->backendName = "x11";
    if (auto clipboard = X11Clipboard::open()) p->clipboard = std::move(clipboard);
#ifdef TARSEL_WITH_QT
    // XTest needs X11; under Wayland the clipboard goes through XWayland too.
    if (std::getenv("QT_QPA_PLATFORM") == nullptr) setenv("QT_QPA_PLATFORM", "xcb", 1);
    p->mainLoop = std::make_unique<QtMainLoop>(argc, argv);
    p->alerts = std::make_unique<QtAlerts>();
    p->statusItem = std::make_unique<QtStatusItem>();
    p->pairingView = std::make_unique<QtPairingView>();
#else
    (void)argc;
    (void)argv;
#endif
    installDesktopPorts(*p, executors);
    return p;
}

}  // namespace

std::unique_ptr<Platform> createPlatform(int& argc, char** argv, Executors& executors) {
    std::string kind = env("TARSEL_BACKEND");
    if (kind.empty() || kind == "auto") {
        kind = !env("DISPLAY").empty()           ? "x11"
               : !env("WAYLAND_DISPLAY").empty() ? "wayland"
                                                 : "headless";
    }
    if (kind == "record") return record();
    if (kind == "x11") return x11(argc, argv, executors);
    if (kind == "wayland") return wayland(argc, argv, executors);
    if (kind != "headless")
        logLine(tr("⚠️ unknown TARSEL_BACKEND: {1} (headless is used)", kind));
    return headless();
}

}  // namespace tarsel
