#include "runtime/Text.h"

namespace tarsel {

Catalog& Catalog::instance() {
    static Catalog catalog;
    return catalog;
}

void Catalog::install(Lookup lookup, std::string language) {
    lookup_ = std::move(lookup);
    language_ = std::move(language);
}

const char* Catalog::translate(const char* english) const {
    if (!lookup_ || !english || !*english) return english;
    const char* found = lookup_(english);
    return found && *found ? found : english;
}

std::string fillIn(std::string_view text, std::span<const std::string> values) {
    std::string out;
    out.reserve(text.size() + 16);
    for (std::size_t i = 0; i < text.size(); ++i) {
        const bool place = text[i] == '{' && i + 2 < text.size() && text[i + 2] == '}' &&
                           text[i + 1] >= '1' && text[i + 1] <= '9';
        const std::size_t n = place ? static_cast<std::size_t>(text[i + 1] - '1') : 0;
        if (place && n < values.size()) {
            out += values[n];
            i += 2;
        } else {
            out.push_back(text[i]);
        }
    }
    return out;
}

std::string languageCode(const std::string& preferred) {
    const std::string code = preferred.substr(0, preferred.find_first_of("_-.@"));
    if (code.empty() || code == "C" || code == "POSIX") return "en";
    return code;
}

}  // namespace tarsel
