#include "platform/linux/SystemdLoginService.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>

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

// Replaces `link` atomically with a symbolic link to `target`.
Result<> linkAtomically(const std::string& target, const std::string& link) {
    const std::string tmp = link + ".tmp-" + std::to_string(getpid());
    unlink(tmp.c_str());
    if (symlink(target.c_str(), tmp.c_str()) != 0 || rename(tmp.c_str(), link.c_str()) != 0) {
        Result<> failed = failure("link " + link + ": " + std::strerror(errno));
        unlink(tmp.c_str());
        return failed;
    }
    return {};
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
    : homeDir_(std::move(homeDir)),
      systemctl_(std::move(systemctlPath)),
      packagedUnitDir_(std::move(packagedUnitDir)) {}

std::string SystemdLoginService::unitDir() const {
    return files::join(homeDir_, ".config/systemd/user");
}

std::string SystemdLoginService::registrationPath() {
    const std::string packaged = files::join(packagedUnitDir_, kSystemdUnitName);
    if (files::exists(packaged)) return packaged;
    return files::join(unitDir(), kSystemdUnitName);
}

Result<> SystemdLoginService::install(const std::string& executablePath,
                                      const std::string& /*logPath*/) {
    const std::string unit = systemdUserUnit(executablePath);
    if (unit.empty())
        return failure(
            "systemd cannot start a program from this path (a quote, backslash or line break): " +
            executablePath);
    // Started with the desktop session and ended with it: never in an SSH log-in.
    const std::string wants = files::join(unitDir(), "graphical-session.target.wants");
    // The link comes first: the unit's presence means "installed", so a unit
    // written without its link would never be enabled by a later start. A
    // unit the user disabled (present, unlinked) stays as the user left it.
    const std::string path = registrationPath();
    const std::string link = files::join(wants, kSystemdUnitName);
    return files::createDirectories(wants)
        .and_then([&] { return linkAtomically(path, link); })
        .and_then([&] { return files::writeAtomic(path, unit, 0644); });
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
