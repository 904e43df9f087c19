#pragma once
// Installs the user's language's translation catalog, tarsel.mo, for tr().
#include <string>
#include <vector>

namespace tarsel {

// The catalog of the first preferred language, searched as
// <dir>/<language>/LC_MESSAGES/tarsel.mo in `dirs` in order. English needs
// none; a language without one, or a damaged one, gives English and one line.
void installCatalog(const std::vector<std::string>& preferredLanguages,
                    const std::vector<std::string>& dirs);

// Beside a build tree's binary (<its folder>/locale), then where the package
// puts them.
std::vector<std::string> catalogDirs(const std::string& executablePath);
// The same for this process's own program.
std::vector<std::string> catalogDirs();

}  // namespace tarsel
