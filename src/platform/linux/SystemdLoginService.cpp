#include "platform/linux/SystemdLoginService.h"

#include <fstream>
#include <sstream>

#include "runtime/Files.h"
#include "runtime/Process.h"

namespace tarsel {
namespace {

bool usablePath(const std::string& path) {
    return !path.empty() && path.front() == '/' && path.find_first_of("\n\r") == std::string::npos;
}

// systemd refuses to start a program whose path holds a quote or a backslash.
bool usableExecutable(const std::string& path) {
    return usablePath(path) && path.find_first_of("\"'\\") == std::string::npos;
}

// Specifiers ("%h") are expanded in every value.
std::string escapePercent(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '%')
            out += "%%";
        else
            out.push_back(c);
    }
    return out;
}

// One double-quoted word of a command line, so spaces stay part of the path.
std::string quotedWord(const std::string& text) {
    return "\"" + escapePercent(text) + "\"";
}

// systemctl's complaints ("Failed to connect to bus") are not the agent's log lines.
void runQuietly(const std::vector<std::string>& command) {
    if (command.empty()) return;
    ProcessOptions options;
    options.captureStdout = false;
    // Without systemctl there is no service to stop or start.
    (void)runProcess(command.front(), {command.begin() + 1, command.end()}, options);
}

}  // namespace

std::string systemdUserUnit(const std::string& executablePath) {
    if (!usableExecutable(executablePath)) return "";
    return "[Unit]\n"
           "Description=Tarsel Server (phone remote keyboard and mouse)\n"
           "After=graphical-session.target\n"
           "PartOf=graphical-session.target\n"
           "\n"
           "[Service]\n"
           "Type=simple\n"
           "ExecStart=" +
           quotedWord(executablePath) +
           "\n"
           "Restart=on-failure\n"
           "RestartSec=3\n"
           "\n"
           "[Install]\n"
           "WantedBy=graphical-session.target\n";
}

SystemdLoginService::SystemdLoginService(std::string homeDir, std::string systemctlPath,
                                         std::string packagedUnitDir)
    : places_(AutostartPlaces::forHome(homeDir)), systemctl_(std::move(systemctlPath)) {
    places_.packagedUnitDir = std::move(packagedUnitDir);
}

// The recorded choice: its presence means the first start's enabling is done.
std::string SystemdLoginService::registrationPath() {
    return Autostart(places_).statePath();
}

Result<std::string> SystemdLoginService::install(const std::string& executablePath,
                                                 const std::string& /*logPath*/) {
    Autostart autostart(places_);
    const std::string own = autostart.userUnitPath();
    if (autostart.unitPath() == own) {
        // A unit written by an older version is the user's: its link says
        // what they chose.
        if (files::exists(own)) return autostart.recordCurrent().map([] { return std::string(); });
        const std::string unit = systemdUserUnit(executablePath);
        if (unit.empty())
            return failure(
                "systemd cannot start a program from this path (a quote, backslash or line "
                "break): " +
                executablePath);
        if (auto written = files::createDirectories(files::parentOf(own)).and_then([&] {
                return files::writeAtomic(own, unit, 0644);
            });
            !written)
            return tl::unexpected(written.error());
    }
    Result<> enabled = autostart.set(true);
    if (!enabled && autostart.unitPath() == own) {
        // A unit without its link would read as "disabled" at the next start.
        (void)files::remove(own);
        return tl::unexpected(enabled.error());
    }
    return enabled.map([&] { return autostart.unitPath(); });
}

// systemd puts a unit's processes in the unit's own control group.
bool SystemdLoginService::runByServiceManager() {
    std::ifstream cgroup("/proc/self/cgroup");
    std::stringstream text;
    text << cgroup.rdbuf();
    return text.str().find(std::string("/") + kSystemdUnitName) != std::string::npos;
}

std::optional<bool> SystemdLoginService::startsAtLogin() {
    Autostart autostart(places_);
    if (autostart.way() == AutostartWay::none) return std::nullopt;
    return autostart.enabled();
}

Result<> SystemdLoginService::setStartsAtLogin(bool on) {
    return Autostart(places_).set(on);
}

std::vector<std::string> SystemdLoginService::unloadCommand() {
    // --no-block: the stop sends the agent SIGTERM, and the agent is the one
    // waiting for systemctl.
    if (systemctl_.empty()) return {};
    return {systemctl_, "--user", "stop", "--no-block", kSystemdUnitName};
}

std::vector<std::string> SystemdLoginService::loadCommand() {
    if (systemctl_.empty()) return {};
    return {systemctl_, "--user", "start", kSystemdUnitName};
}

void SystemdLoginService::unload() {
    runQuietly(unloadCommand());
}
void SystemdLoginService::load() {
    runQuietly(loadCommand());
}

}  // namespace tarsel
