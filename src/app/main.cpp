// The agent's entry: the application object, start-up, then the event loop.
#include <cstdio>
#include <string>
#include <vector>

#include "app/AgentRequests.h"
#include "app/Startup.h"
#include "net/Pairing.h"
#include "platform/Platform.h"
#include "runtime/Queues.h"

namespace {

constexpr const char* kUsage =
    "usage: tarsel-server [PIN]\n"
    "Lets a phone on the same network use this computer's keyboard, mouse and shortcuts.\n"
    "\n"
    "  PIN        the PIN the phone must send, instead of the stored one; any first\n"
    "             argument but the two below is taken as the PIN exactly as given\n"
    "  --help     print this and exit\n"
    "  --version  print the version and exit\n"
    "\n"
    "Listens on UDP port 3000. Settings: ~/.config/tarsel (config.json with the PIN,\n"
    "shortcuts_db.json with the phone's layout). Log: standard output (the journal\n"
    "under systemd: journalctl --user -u tarsel-server).\n"
    "Environment: TARSEL_BACKEND=auto|x11|wayland|headless|record, TARSEL_INPUT=xtest|uinput,\n"
    "TARSEL_WEBSITE_HOST.\n";

// Only these two words are options: any other first argument stays the PIN.
bool answeredOption(const std::vector<std::string>& arguments) {
    if (arguments.empty()) return false;
    if (arguments[0] == "--help" || arguments[0] == "-h") {
        std::fputs(kUsage, stdout);
        return true;
    }
    if (arguments[0] == "--version") {
        std::puts("tarsel-server " TARSEL_VERSION);
        return true;
    }
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> arguments(argv + (argc > 0 ? 1 : 0), argv + argc);
    if (answeredOption(arguments)) return 0;
    // Every thread of the process and what the phone's requests reach, owned
    // here and handed down.
    tarsel::Executors executors;
    tarsel::AgentRequests requests;
    tarsel::PairingWindow pairing(tarsel::Clock::system(), executors.timers,
                                  executors.global.get_executor());
    tarsel::setPlatform(tarsel::createPlatform(argc, argv, executors));
    tarsel::startUp(arguments, executors, requests, pairing);
    tarsel::platform().mainLoop->run();
    return 0;
}
