// Boost.Locale reads the GNU gettext catalog itself: the texts follow the
// user's language whatever setlocale says and whichever locales are installed.
#include "platform/posix/GettextCatalog.h"

#include <boost/locale/gnu_gettext.hpp>
#include <filesystem>
#include <locale>

#include "runtime/Files.h"
#include "runtime/Log.h"
#include "runtime/Text.h"

namespace tarsel {
namespace {

constexpr const char* kDomain = "tarsel";

std::string catalogPath(const std::string& dir, const std::string& language) {
    return dir + "/" + language + "/LC_MESSAGES/" + kDomain + ".mo";
}

}  // namespace

std::vector<std::string> catalogDirs(const std::string& executablePath) {
    std::vector<std::string> dirs;
    if (!executablePath.empty())
        dirs.push_back(files::join(files::parentOf(executablePath), "locale"));
    dirs.push_back("/usr/share/locale");
    return dirs;
}

std::vector<std::string> catalogDirs() {
    std::error_code ec;
    const auto self = std::filesystem::read_symlink("/proc/self/exe", ec);
    return catalogDirs(ec ? std::string() : self.string());
}

void installCatalog(const std::vector<std::string>& preferred,
                    const std::vector<std::string>& dirs) {
    const std::string language = languageCode(preferred.empty() ? "" : preferred.front());
    Catalog::instance().install(nullptr, "en");
    if (language == "en") return;
    std::string found;
    for (const auto& dir : dirs)
        if (found.empty() && files::exists(catalogPath(dir, language))) found = dir;
    // A language nobody translated is English without a word; a missing
    // catalog of one we ship is a broken install, said once.
    const std::string shipped = " " TARSEL_LANGUAGES " ";
    if (found.empty() && shipped.find(" " + language + " ") != std::string::npos)
        logLine("⚠️ [Language] the catalog " +
                catalogPath(dirs.empty() ? "" : dirs.back(), language) +
                " is missing: the texts stay English");
    if (found.empty()) return;
    boost::locale::gnu_gettext::messages_info info;
    info.language = language;
    info.encoding = "UTF-8";
    info.paths = {found};
    info.domains = {boost::locale::gnu_gettext::messages_info::domain(kDomain)};
    std::locale messages;
    try {
        // The locale owns the facet; its other categories stay the classic ones.
        messages = std::locale(std::locale::classic(),
                               boost::locale::gnu_gettext::create_messages_facet<char>(info));
    } catch (const std::exception& e) {
        logLine("⚠️ [Language] the catalog " + catalogPath(found, language) +
                " cannot be read (" + e.what() + "): the texts stay English");
        return;
    }
    Catalog::instance().install(
        [messages](const char* english) {
            return std::use_facet<boost::locale::message_format<char>>(messages).get(0, nullptr,
                                                                                     english);
        },
        language);
}

}  // namespace tarsel
