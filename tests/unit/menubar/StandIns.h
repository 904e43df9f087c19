#pragma once
// Stand-ins for the macOS tools of the self-update, written by the tests as
// small bash scripts. A "signature" is a digest list of the bundle's files
// under Contents/_CodeSignature, so adding or changing a file breaks it the
// way a real seal breaks; the Team ID, Gatekeeper answer and ticket sit next
// to it. Every stand-in appends its arguments to "<tools>/calls".
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "TempDir.h"
#include "menubar/RunTool.h"

namespace tarsel::testing {

namespace fs = std::filesystem;

inline std::string readText(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

inline void writeText(const fs::path& path, const std::string& text, int mode = 0644) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << text;
    chmod(path.c_str(), static_cast<mode_t>(mode));
}

inline const char* kCallLog = R"SH(echo "$(basename "$0") $*" >>"$(dirname "$0")/calls")SH";

inline const char* kManifest =
    R"SH(manifest() { (cd "$1" && find . -type f ! -path './Contents/_CodeSignature/*' -print0 | sort -z | xargs -0 -r sha256sum); })SH";

class StandInTools {
  public:
    explicit StandInTools(fs::path dir) : dir_(std::move(dir)) {
        fs::create_directories(dir_);
        tool("codesign", std::string(kManifest) + R"SH(
app="${*: -1}"; sig="$app/Contents/_CodeSignature"
case "$1" in
  --verify)
    [ -f "$sig/manifest" ] || { echo "$app: code object is not signed at all" >&2; exit 1; }
    [ "$(manifest "$app")" = "$(cat "$sig/manifest")" ] ||
      { echo "$app: a sealed resource is missing or invalid" >&2; exit 1; }
    exit 0 ;;
  -dv)
    [ -f "$sig/team" ] || { echo "$app: code object is not signed at all" >&2; exit 1; }
    echo "Executable=$app/Contents/MacOS/TarselServer" >&2
    echo "Identifier=com.tarsel.server" >&2
    echo "TeamIdentifier=$(cat "$sig/team")" >&2
    exit "$(cat "$sig/display-status" 2>/dev/null || echo 0)" ;;
esac
exit 2)SH");
        tool("spctl", R"SH(app="${*: -1}"
grep -qx accepted "$app/Contents/_CodeSignature/gatekeeper" 2>/dev/null && exit 0
echo "$app: rejected" >&2; exit 3)SH");
        tool("stapler", R"SH(app="${*: -1}"
[ -f "$app/Contents/_CodeSignature/ticket" ] && { echo "The validate action worked!"; exit 0; }
echo "$app does not have a ticket stapled to it." >&2; exit 65)SH");
        // The "disk image" is a tar archive; attaching unpacks it at the mount
        // point, detaching empties it again.
        tool("hdiutil", R"SH(case "$1" in
  attach) tar -xf "$2" -C "$4" 2>/dev/null || { echo "hdiutil: attach failed - image not recognized" >&2; exit 1; } ;;
  detach) find "$2" -mindepth 1 -delete ;;
  *) exit 1 ;;
esac)SH");
        tool("sign-bundle", std::string(kManifest) + R"SH(
app="$1"; sig="$app/Contents/_CodeSignature"; mkdir -p "$sig"
manifest "$app" >"$sig/manifest"
echo "$2" >"$sig/team"
[ "${3:-accepted}" = accepted ] && echo accepted >"$sig/gatekeeper"
[ "${4:-ticket}" = ticket ] && touch "$sig/ticket"
exit 0)SH",
             false);
        tool("launchctl",
             R"SH(exit "$(cat "$(dirname "$0")/launchctl.status" 2>/dev/null || echo 0)")SH");
        tool("osascript",
             R"SH(exit "$(cat "$(dirname "$0")/osascript.status" 2>/dev/null || echo 0)")SH");
        tool("xattr", "exit 0");
        tool("open", "exit 0");
    }

    std::string path(const std::string& name) const { return (dir_ / name).string(); }
    std::string calls() const { return readText(dir_ / "calls"); }

    // Writes a stand-in of its own; `logged` puts the call log line in front.
    void tool(const std::string& name, const std::string& body, bool logged = true) {
        writeText(dir_ / name,
                  std::string("#!/bin/bash\n") + (logged ? kCallLog : "") + "\n" + body + "\n",
                  0755);
    }

    // A bundle whose main file holds `version`, signed for `team`.
    void makeSignedBundle(const fs::path& app, const std::string& version, const std::string& team,
                          bool gatekeeper = true, bool ticket = true) const {
        writeText(app / "Contents/MacOS/TarselServer", "#!/bin/sh\necho " + version + "\n", 0755);
        writeText(app / "Contents/Info.plist", "<plist>" + version + "</plist>\n");
        runTool(path("sign-bundle"), {app.string(), team, gatekeeper ? "accepted" : "rejected",
                                      ticket ? "ticket" : "none"});
    }

    // A "disk image" holding `content` (a directory) at its root.
    static void makeImage(const fs::path& content, const fs::path& image) {
        runTool("/usr/bin/tar", {"-cf", image.string(), "-C", content.string(), "."});
    }

  private:
    fs::path dir_;
};

inline std::string bundleVersion(const fs::path& app) {
    return readText(app / "Contents/MacOS/TarselServer");
}

}  // namespace tarsel::testing
