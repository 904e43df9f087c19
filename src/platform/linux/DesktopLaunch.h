#pragma once
// Finding and starting programs and desktop entries without waiting for them.
#include <optional>
#include <string>
#include <vector>

namespace tarsel::desktop {

// The absolute path of an executable found on PATH.
std::optional<std::string> findExecutable(const std::string& name);
// The path of "<id>.desktop" in the XDG application directories.
std::optional<std::string> findDesktopEntry(const std::string& id);
// The command line of a desktop entry's Exec key, field codes removed.
std::vector<std::string> execCommand(const std::string& entryText);
// Starts a program in the background; it is never waited for and leaves no zombie.
bool launch(const std::vector<std::string>& argv);
// Starts the program of a desktop entry.
bool launchEntry(const std::string& path);

}  // namespace tarsel::desktop
