#include "AutostartCommand.h"

#include <cstdio>
#include <cstdlib>

#include "platform/linux/Autostart.h"

namespace tarselctl {
namespace {

int fail(const std::string& message) {
    std::fprintf(stderr, "tarselctl: %s\n", message.c_str());
    return 1;
}

}  // namespace

int autostartCommand(const std::vector<std::string>& args) {
    const std::string word = args.empty() ? "status" : args[0];
    if (args.size() > 1 || (word != "on" && word != "off" && word != "status")) {
        std::fputs("usage: tarselctl autostart on|off|status\n", stderr);
        return 64;
    }
    const char* home = std::getenv("HOME");
    if (!home || home[0] != '/') return fail("HOME is not set");
    tarsel::Autostart autostart(tarsel::AutostartPlaces::forHome(home));
    if (autostart.way() == tarsel::AutostartWay::none)
        return fail(
            "nothing on this computer starts Tarsel at log-in: no systemd user unit "
            "tarsel-server.service and no autostart entry (install the package, or start "
            "tarsel-server once from a build)");
    if (word != "status") {
        if (auto done = autostart.set(word == "on"); !done) return fail(done.error());
    }
    std::printf("start at log-in: %s (%s)\n", autostart.enabled() ? "on" : "off",
                autostart.describe().c_str());
    return 0;
}

}  // namespace tarselctl
