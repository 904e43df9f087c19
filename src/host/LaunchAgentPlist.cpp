#include "host/LaunchAgentPlist.h"

namespace tarsel {

std::string launchAgentPlistPath(const std::string& homeDir) {
    return homeDir + "/Library/LaunchAgents/com.tarsel.server.plist";
}

std::string agentLogPath(const std::string& homeDir) {
    return homeDir + "/Library/Logs/TarselServer.log";
}

std::string xmlEscape(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            default:
                out.push_back(c);
        }
    }
    return out;
}

std::string launchAgentPlist(const std::string& executablePath, const std::string& logPath) {
    const std::string log = xmlEscape(logPath);
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" "
           "\"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n"
           "<plist version=\"1.0\">\n"
           "<dict>\n"
           "    <key>Label</key>\n"
           "    <string>com.tarsel.server</string>\n"
           "    <key>ProgramArguments</key>\n"
           "    <array>\n"
           "        <string>" +
           xmlEscape(executablePath) +
           "</string>\n"
           "    </array>\n"
           "    <key>RunAtLoad</key>\n"
           "    <true/>\n"
           "    <key>KeepAlive</key>\n"
           "    <true/>\n"
           "    <key>ProcessType</key>\n"
           "    <string>Interactive</string>\n"
           "    <key>StandardOutPath</key>\n"
           "    <string>" +
           log +
           "</string>\n"
           "    <key>StandardErrorPath</key>\n"
           "    <string>" +
           log +
           "</string>\n"
           "</dict>\n"
           "</plist>\n";
}

}  // namespace tarsel
