// A Wayland session whose compositor is not there (the agent started, or was
// restarted by its unit, after the user logged out): the agent runs on X11 or
// headless, checks every few seconds, and starts itself again once that
// display is back (the user's next session), so input reaches the desktop
// again without a restart by hand. Qt ends the process when its compositor
// goes away; the unit starts it again, and it lands here.

#include <unistd.h>

#include <asio/steady_timer.hpp>
#include <chrono>
#include <cstdlib>
#include <memory>

#include "platform/Platform.h"
#include "platform/linux/DesktopPorts.h"
#include "runtime/Log.h"
#include "runtime/Queues.h"
#include "runtime/Text.h"

namespace tarsel {
namespace {

constexpr auto kCheckEvery = std::chrono::seconds(3);

// exec replaces the process: its threads, and its sockets (which Asio opens
// without close-on-exec, so they are closed here first).
void startAgain(const std::vector<std::string>& arguments) {
    logLine(tr("🔄 [Wayland] the compositor is back: starting again"));
    std::vector<char*> argv{const_cast<char*>("tarsel-server")};
    for (const std::string& a : arguments) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    close_range(3, ~0U, 0);
    execv("/proc/self/exe", argv.data());
}

void checkForTheDisplay(std::shared_ptr<asio::steady_timer> timer,
                        std::shared_ptr<const std::vector<std::string>> arguments) {
    timer->expires_after(kCheckEvery);
    timer->async_wait([timer, arguments](const asio::error_code& error) {
        if (error) return;
        if (waylandDisplayReachable()) startAgain(*arguments);
        checkForTheDisplay(timer, arguments);
    });
}

}  // namespace

void restartWhenTheDisplayReturns(std::vector<std::string> arguments, Executors& executors) {
    const char* display = std::getenv("WAYLAND_DISPLAY");
    if (display == nullptr || *display == '\0' || waylandDisplayReachable()) return;
    checkForTheDisplay(std::make_shared<asio::steady_timer>(executors.global),
                       std::make_shared<const std::vector<std::string>>(std::move(arguments)));
}

}  // namespace tarsel
