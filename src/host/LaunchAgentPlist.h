#pragma once
// The launchd property list that starts the agent at log-in and keeps it alive.
#include <string>
#include <string_view>

namespace tarsel {

inline constexpr const char* kLaunchAgentLabel = "com.tarsel.server";
inline constexpr const char* kDefaultExecutablePath =
    "/Applications/TarselServer.app/Contents/MacOS/TarselServer";

// "<home>/Library/LaunchAgents/com.tarsel.server.plist"
std::string launchAgentPlistPath(const std::string& homeDir);
// "<home>/Library/Logs/TarselServer.log": standard output and error under the
// service manager.
std::string agentLogPath(const std::string& homeDir);

// Text content of an XML element: &, < and > escaped, so a path with an
// ampersand still makes a readable file.
std::string xmlEscape(std::string_view text);

// The whole file, byte for byte; both paths are XML-escaped.
std::string launchAgentPlist(const std::string& executablePath, const std::string& logPath);

}  // namespace tarsel
