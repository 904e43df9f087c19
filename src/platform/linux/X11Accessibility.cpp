#include "platform/linux/X11Accessibility.h"

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>

#include <thread>
#include <vector>

#include "runtime/Files.h"
#include "runtime/Log.h"
#include "runtime/Process.h"
#include "runtime/Text.h"

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
    // The help page in the user's language, else in English: beside a build
    // tree's binary, or where the package installs it with its data (never
    // under /usr/share/doc, which may be left out).
    std::vector<std::string> folders;
    if (!executablePath_.empty())
        folders.push_back(files::join(files::parentOf(executablePath_), "help"));
    folders.emplace_back("/usr/share/tarsel/help");
    for (const std::string& language : {Catalog::instance().language(), std::string("en")})
        for (const auto& folder : folders)
            if (const auto page = files::join(folder, language + ".html"); files::exists(page))
                return page;
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
