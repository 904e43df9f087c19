#include "platform/linux/X11Accessibility.h"

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>

#include <thread>
#include <vector>

#include "runtime/Files.h"
#include "runtime/Log.h"
#include "runtime/Process.h"

namespace tarsel {

X11Accessibility::X11Accessibility(std::string openTool, std::string executablePath,
                                   std::string websiteHost, std::function<bool()> inputReaches,
                                   std::string fix)
    : openTool_(std::move(openTool)),
      executablePath_(std::move(executablePath)),
      websiteHost_(std::move(websiteHost)),
      inputReaches_(std::move(inputReaches)),
      fix_(std::move(fix)) {}

bool X11Accessibility::isTrusted() {
    if (inputReaches_) return inputReaches_();
    Display* display = XOpenDisplay(nullptr);  // honours DISPLAY; no prompt exists
    if (!display) return false;
    int event = 0, error = 0, major = 0, minor = 0;
    bool xtest = XTestQueryExtension(display, &event, &error, &major, &minor);
    XCloseDisplay(display);
    return xtest;
}

std::string X11Accessibility::settingsTarget() const {
    // A build tree sits one level below the source tree's docs; the package
    // installs the page with its data (never under /usr/share/doc, which may
    // be left out).
    std::vector<std::string> candidates;
    if (!executablePath_.empty()) {
        const std::string dir = files::parentOf(executablePath_);
        candidates = {files::join(files::parentOf(dir), "docs/TROUBLESHOOTING.md")};
    }
    candidates.push_back("/usr/share/tarsel/TROUBLESHOOTING.md");
    for (const auto& candidate : candidates)
        if (files::exists(candidate)) return candidate;
    return "https://" + websiteHost_ + "/#troubleshooting";
}

void X11Accessibility::openSettings() {
    // On a thread of its own: some handlers keep xdg-open waiting until the
    // viewer closes, and the main loop must not wait for that.
    std::thread([tool = openTool_, target = settingsTarget()] {
        if (auto opened = runProcess(tool, {target}); !opened)
            logLine("⚠️ [X11] " + opened.error());
    }).detach();
}

}  // namespace tarsel
