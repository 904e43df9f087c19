#include "platform/linux/DesktopLaunch.h"

#include <unistd.h>

#include <cstdlib>
#include <sstream>

#include "runtime/Files.h"
#include "runtime/Process.h"

namespace tarsel::desktop {
namespace {

std::vector<std::string> splitPath(const std::string& list) {
    std::vector<std::string> out;
    std::stringstream in(list);
    for (std::string dir; std::getline(in, dir, ':');)
        if (!dir.empty()) out.push_back(dir);
    return out;
}

std::vector<std::string> applicationDirs() {
    std::vector<std::string> dirs;
    const char* home = std::getenv("HOME");
    const char* dataHome = std::getenv("XDG_DATA_HOME");
    if (dataHome && *dataHome)
        dirs.push_back(dataHome);
    else if (home)
        dirs.push_back(std::string(home) + "/.local/share");
    const char* dataDirs = std::getenv("XDG_DATA_DIRS");
    for (auto& d : splitPath(dataDirs && *dataDirs ? dataDirs : "/usr/local/share:/usr/share"))
        dirs.push_back(d);
    for (auto& d : dirs) d += "/applications";
    return dirs;
}

// Splits an Exec value into words, honouring double quotes and backslashes.
std::vector<std::string> words(const std::string& exec) {
    std::vector<std::string> out;
    std::string cur;
    bool quoted = false, any = false;
    for (std::size_t i = 0; i < exec.size(); ++i) {
        char c = exec[i];
        if (quoted && c == '\\' && i + 1 < exec.size()) {
            cur.push_back(exec[++i]);
        } else if (c == '"') {
            quoted = !quoted;
            any = true;
        } else if (!quoted && (c == ' ' || c == '\t')) {
            if (any || !cur.empty()) out.push_back(cur);
            cur.clear();
            any = false;
        } else {
            cur.push_back(c);
        }
    }
    if (any || !cur.empty()) out.push_back(cur);
    return out;
}

bool isFieldCode(const std::string& w) {
    return w.size() == 2 && w[0] == '%' && w[1] != '%';
}

}  // namespace

std::optional<std::string> findExecutable(const std::string& name) {
    if (name.find('/') != std::string::npos)
        return access(name.c_str(), X_OK) == 0 ? std::optional(name) : std::nullopt;
    const char* path = std::getenv("PATH");
    for (auto& dir : splitPath(path ? path : "/usr/local/bin:/usr/bin:/bin")) {
        std::string candidate = dir + "/" + name;
        if (access(candidate.c_str(), X_OK) == 0) return candidate;
    }
    return std::nullopt;
}

std::optional<std::string> findDesktopEntry(const std::string& id) {
    for (auto& dir : applicationDirs()) {
        std::string path = dir + "/" + id + ".desktop";
        if (files::exists(path)) return path;
    }
    return std::nullopt;
}

std::vector<std::string> execCommand(const std::string& entryText) {
    std::stringstream in(entryText);
    bool inEntry = false;
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line[0] == '[') inEntry = line.rfind("[Desktop Entry]", 0) == 0;
        if (!inEntry || line.rfind("Exec=", 0) != 0) continue;
        std::vector<std::string> argv;
        for (auto& w : words(line.substr(5))) {
            if (isFieldCode(w)) continue;
            std::string unescaped;
            for (std::size_t i = 0; i < w.size(); ++i) {
                if (w[i] == '%' && i + 1 < w.size() && w[i + 1] == '%') ++i;
                unescaped.push_back(w[i]);
            }
            argv.push_back(unescaped);
        }
        return argv;
    }
    return {};
}

bool launch(const std::vector<std::string>& argv) {
    if (argv.empty()) return false;
    auto program = findExecutable(argv[0]);
    if (!program) return false;
    // The shell puts the program in the background and exits at once, so the
    // program is adopted by init and we wait only for the shell.
    std::vector<std::string> args{"-c", "\"$0\" \"$@\" </dev/null >/dev/null 2>&1 &", *program};
    args.insert(args.end(), argv.begin() + 1, argv.end());
    ProcessOptions options;
    options.captureStdout = false;
    return runProcess("/bin/sh", args, options).has_value();
}

bool launchEntry(const std::string& path) {
    auto text = files::readAll(path);
    return text && launch(execCommand(*text));
}

}  // namespace tarsel::desktop
