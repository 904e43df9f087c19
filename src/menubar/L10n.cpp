#include "menubar/L10n.h"

#include <cstdlib>

#include "platform/Platform.h"
#include "runtime/Text.h"

namespace tarsel {

L10n L10n::translated(const std::string& host, const HostWords& words) {
    return {tr("✅  Connected"),
            tr("⚪️  Waiting…"),
            tr(words.addressLabel.c_str()),
            tr("PIN"),
            "Tarsel",
            tr("Open Website ({1})", host),
            tr("Quit"),
            tr("🔴  Install New Version"),
            tr("🔴  Download Version {1}…"),
            tr("✓  Up to date"),
            tr("Check for Updates…"),
            tr("⏳  Downloading…"),
            tr("🔍  Verifying…"),
            tr("📦  Installing… restarting soon"),
            tr("Open Pairing…"),
            tr("Pairing ({1} left)"),
            tr("Close Pairing"),
            tr("⚠️  Not listening on port 3000 — retrying"),
            tr("⚠️  Port 3000 held by another user ({1}) — retrying"),
            tr("⏸️  Input paused (sharing stopped on this desktop)"),
            tr("Resume Input"),
            tr("Start at Log-in"),
            tr("🔄  New version installed — restart Tarsel to use it")};
}

const L10n& L10n::current() {
    static const L10n strings = translated(platform().host.websiteHost, platform().host.words);
    return strings;
}

std::vector<std::string> preferredLanguages(
    const std::function<std::string(const std::string&)>& env) {
    std::vector<std::string> list;
    const std::string language = env("LANGUAGE");
    size_t start = 0;
    while (start <= language.size()) {
        size_t end = language.find(':', start);
        if (end == std::string::npos) end = language.size();
        if (end > start) list.push_back(language.substr(start, end - start));
        start = end + 1;
    }
    if (!list.empty()) return list;
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        std::string value = env(name);
        if (!value.empty()) return {value};
    }
    return {};
}

std::vector<std::string> preferredLanguages() {
    return preferredLanguages([](const std::string& name) {
        const char* value = std::getenv(name.c_str());
        return std::string(value ? value : "");
    });
}

}  // namespace tarsel
