#include "platform/MacHostPaths.h"

namespace tarsel {

void applyMacHostPaths(HostConstants& host) {
    host.lsofPath = "/usr/sbin/lsof";
    host.killPath = "/bin/kill";
    host.launchctlPath = "/bin/launchctl";
    host.tccutilPath = "/usr/bin/tccutil";
    host.openPath = "/usr/bin/open";
    host.shasumPath = "/usr/bin/shasum";
    host.hdiutilPath = "/usr/bin/hdiutil";
    host.cpPath = "/bin/cp";
    host.codesignPath = "/usr/bin/codesign";
    host.spctlPath = "/usr/sbin/spctl";
    host.staplerPath = "/usr/bin/stapler";
    host.bashPath = "/bin/bash";
    host.osascriptPath = "/usr/bin/osascript";
    host.xattrPath = "/usr/bin/xattr";
    host.installPath = "/Applications/TarselServer.app";
}

}  // namespace tarsel
