#pragma once
// The unit tests read the agent's texts in Korean, as the end-to-end tests do
// (TestMain.cpp installs the build's catalog); a test that names a language
// makes its texts in that one.
#include <string>

#include "platform/posix/GettextCatalog.h"

namespace tarsel::testing {

inline void useLanguage(const std::string& language) {
    installCatalog({language}, {TARSEL_TEST_LOCALEDIR});
}

// What `make` returns, made with `language`'s texts; Korean again afterwards.
template <class Make>
auto inLanguage(const std::string& language, Make make) {
    useLanguage(language);
    auto made = make();
    useLanguage("ko");
    return made;
}

}  // namespace tarsel::testing
