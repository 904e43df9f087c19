#pragma once
// The detached updater's bash script, as text. Pure: the hand-over writes it.
#include <string>

namespace tarsel {

// The six values the script is given, each assigned verbatim to its variable.
struct UpdaterScriptValues {
    long parentPid = 0;
    std::string newApp;  // the verified candidate bundle
    std::string dest;    // the installation path
    std::string plist;   // the login service's registration file
    std::string teamID;
    std::string selfDir;  // the work directory, removed by the script
};

// Tools the script runs by path (grep and sudo come from the search path).
struct UpdaterScriptTools {
    std::string codesign;
    std::string launchctl;
    std::string osascript;
    std::string cp;
    std::string xattr;
    std::string open;
};

// `text` between double quotes in bash: \ " $ and ` are escaped, nothing else
// is touched, so the variable receives exactly `text`.
std::string shellDoubleQuoted(const std::string& text);
// A word for the command position: as is when it holds only harmless
// characters, otherwise single-quoted.
std::string shellWord(const std::string& text);

std::string updaterScript(const UpdaterScriptValues& values, const UpdaterScriptTools& tools);

}  // namespace tarsel
