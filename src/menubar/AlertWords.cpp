#include "menubar/AlertWords.h"

#include "platform/Platform.h"
#include "runtime/Text.h"

namespace tarsel {
namespace {

void updateWords(AlertWords& w) {
    w.later = tr("Later");
    w.upToDateTitle = tr("Tarsel is up to date");
    w.upToDateText = tr("Version {1} is the latest.");
    w.newVersionTitle = tr("Version {1} is available");
    w.newVersionText = tr("Current version: {1}\nOpen the download page?");
    w.openDownloadPage = tr("Open Download Page");
    w.ok = tr("OK");
    w.installFailedTitle = tr("The update could not be installed");
    w.installFailedText =
        tr("You can download and install it from the download page.\n\n(Reason: {1})");
    w.portTakenTitle = tr("Another user holds UDP port 3000");
    w.portTakenText =
        tr("A program of {1}, another user of this computer, opened Tarsel's port first. A "
           "phone that connects now sends that program its PIN and its input.\n\nDo not connect "
           "a phone; ask that user or an administrator to end the program. Tarsel tries again "
           "every few seconds.");
}

}  // namespace

AlertWords AlertWords::mac() {
    AlertWords w;
    updateWords(w);
    w.permissionTitle = tr("Accessibility permission needed");
    w.permissionText =
        tr("Tarsel Server needs permission to control the keyboard and mouse.\n\n"
           "▶ Open System Settings:\n"
           "  Goes to the Accessibility page.\n"
           "  On a first install, add Tarsel and turn its switch on.\n"
           "  If it stopped working after an update, turn the switch OFF → ON once.\n\n"
           "▶ Force Reset:\n"
           "  Use it only when the above does not help.\n"
           "  Clears the permission record and restarts the app.\n"
           "  After the restart, add Tarsel again in System Settings.");
    w.openSettings = tr("Open System Settings");
    w.forceReset = tr("Force Reset");
    return w;
}

AlertWords AlertWords::forLinux() {
    AlertWords w;
    updateWords(w);
    w.permissionTitle = tr("Tarsel cannot control the keyboard and mouse");
    w.permissionText =
        tr("Keys and pointer moves from the phone cannot reach this desktop.\n"
           "Fix the cause below, then restart the Tarsel server.");
    w.openSettings = tr("Open Help");
    return w;
}

AlertWords alertWords() {
    return platform().host.words.macAlerts ? AlertWords::mac() : AlertWords::forLinux();
}

std::string withValue(const std::string& text, const std::string& value) {
    const std::string values[] = {value};
    return fillIn(text, values);
}

}  // namespace tarsel
