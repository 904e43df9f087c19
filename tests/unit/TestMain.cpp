// Every unit-test binary's entry: the suite's texts are Korean unless LANGUAGE
// names another language.
#include <gtest/gtest.h>

#include <cstdlib>

#include "Language.h"

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    const char* language = std::getenv("LANGUAGE");
    tarsel::testing::useLanguage(language && *language ? language : "ko");
    return RUN_ALL_TESTS();
}
