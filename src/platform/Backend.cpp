// The one place that chooses a backend.
#include <cstdlib>
#include <string>

#include "platform/Platform.h"
#include "platform/headless/AsioMainLoop.h"
#include "platform/headless/NullPorts.h"
#include "platform/linux/AvahiAdvertiser.h"
#include "platform/linux/LinuxHost.h"
#include "platform/linux/NetlinkPathMonitor.h"
#include "platform/record/RecordAdvertiser.h"
#include "platform/record/Recorder.h"
#include "runtime/Log.h"

namespace tarsel {
namespace {

std::string env(const char* name) {
    const char* v = std::getenv(name);
    return v ? v : "";
}

std::unique_ptr<Platform> basePlatform(const std::string& name) {
    auto p = std::make_unique<Platform>();
    p->backendName = name;
    p->host = linuxHostConstants();
    fillNullPorts(*p);
    p->pathMonitor = std::make_unique<NetlinkPathMonitor>();
    return p;
}

std::unique_ptr<Platform> headless() {
    auto p = basePlatform("headless");
    p->mainLoop = std::make_unique<AsioMainLoop>();
    p->advertiser = std::make_unique<AvahiAdvertiser>();
    return p;
}

std::unique_ptr<Platform> record() {
    auto p = basePlatform("record");
    auto recorder = std::make_shared<Recorder>(env("TARSEL_RECORD"));
    p->mainLoop = std::make_unique<AsioMainLoop>();
    p->advertiser = std::make_unique<RecordAdvertiser>(recorder);
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
