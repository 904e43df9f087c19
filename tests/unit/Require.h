#pragma once
// Skips a test whose prerequisite is missing; under CI that is a failure.
#include <cstdlib>
#include <string>

#define REQUIRE_OR_SKIP(cond, what)                                          \
    do {                                                                     \
        if (!(cond)) {                                                       \
            const char* ci = std::getenv("CI");                              \
            if (ci && std::string(ci) == "true") FAIL() << "missing: " what; \
            GTEST_SKIP() << "missing: " what;                                \
        }                                                                    \
    } while (0)
