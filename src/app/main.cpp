// The agent's entry: the application object, start-up, then the event loop.
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "app/AgentRequests.h"
#include "app/BrowserRemote.h"
#include "app/Startup.h"
#include "menubar/L10n.h"
#include "net/Pairing.h"
#include "platform/Platform.h"
#include "platform/posix/GettextCatalog.h"
#include "runtime/Queues.h"

namespace {

constexpr const char* kUsage =
    "usage: tarsel-server [PIN]\n"
    "Lets a phone on the same network use this computer's keyboard, mouse and shortcuts.\n"
    "\n"
    "  PIN        the PIN the phone must send, instead of the stored one; any first\n"
    "             argument not starting with \"-\" is taken as the PIN exactly as given.\n"
    "             Prefer the stored PIN: other users can see a process's arguments\n"
    "             until the agent hides them, moments after its start\n"
    "  --help     print this and exit\n"
    "  --version  print the version and exit\n"
    "\n"
    "Listens on UDP port 3000, and serves the phone page on TCP port 3090\n"
    "(\"web_port\" in config.json; 0 turns it off). Settings: ~/.config/tarsel\n"
    "(config.json with the PIN, shortcuts_db.json with the phone's layout,\n"
    "browsers.json with the paired browsers). Log: standard output (the journal\n"
    "under systemd: journalctl --user -u tarsel-server).\n"
    "Environment: TARSEL_BACKEND=auto|x11|wayland|headless|record,\n"
    "TARSEL_INPUT=mutter|wlroots|kwin|uinput|xtest, TARSEL_WEBSITE_HOST; the language\n"
    "of the log and the menu: the first of LANGUAGE, LC_ALL, LC_MESSAGES, LANG\n"
    "(\"ko...\" Korean, anything else English).\n";

constexpr int kUsageError = 64;  // EX_USAGE

// The options, answered: the exit status, or none to go on. Another word
// starting with "-" is a mistaken option (`--pin 123456` would otherwise
// serve the PIN "--pin"); any other first argument stays the PIN.
std::optional<int> answeredOption(const std::vector<std::string>& arguments) {
    if (arguments.empty()) return std::nullopt;
    const std::string& first = arguments[0];
    if (first == "--help" || first == "-h") {
        std::fputs(kUsage, stdout);
        return 0;
    }
    if (first == "--version") {
        std::puts("tarsel-server " TARSEL_VERSION);
        return 0;
    }
    if (first.starts_with("-")) {
        std::fprintf(stderr, "tarsel-server: unknown option %s\n%s", first.c_str(), kUsage);
        return kUsageError;
    }
    return std::nullopt;
}

// Every local user reads a process's arguments (ps, /proc/<pid>/cmdline), which
// the kernel shows from this memory: the PIN is overwritten there at once.
void hidePinArgument(int argc, char** argv) {
    if (argc < 2 || argv[1][0] == '-') return;
    for (char* c = argv[1]; *c != '\0'; ++c) *c = '*';
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> arguments(argv + (argc > 0 ? 1 : 0), argv + argc);
    hidePinArgument(argc, argv);
    if (auto status = answeredOption(arguments)) return *status;
    // Every thread of the process and what the phone's requests reach, owned
    // here and handed down.
    tarsel::Executors executors;
    tarsel::AgentRequests requests;
    tarsel::PairingWindow pairing(tarsel::Clock::system(), executors.timers,
                                  executors.global.get_executor());
    tarsel::BrowserRemote browsers(executors);
    // Before anything is said or shown: every text follows the user's language.
    tarsel::installCatalog(tarsel::preferredLanguages(), tarsel::catalogDirs());
    tarsel::setPlatform(tarsel::createPlatform(argc, argv, executors));
    tarsel::restartWhenTheDisplayReturns(arguments, executors);
    tarsel::startUp(arguments, executors, requests, pairing, browsers);
    tarsel::platform().mainLoop->run();
    return 0;
}
