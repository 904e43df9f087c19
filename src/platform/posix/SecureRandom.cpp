#include "runtime/SecureRandom.h"

#include <sys/random.h>

#include <cerrno>

namespace tarsel {
namespace {

uint32_t randomWord() {
    uint32_t v = 0;
    while (getrandom(&v, sizeof v, 0) != static_cast<ssize_t>(sizeof v) && errno == EINTR) {
    }
    return v;
}

}  // namespace

uint32_t secureRandomBelow(uint32_t upperBound) {
    if (upperBound == 0) return 0;
    // Rejection sampling keeps the draw uniform.
    uint32_t limit = UINT32_MAX - UINT32_MAX % upperBound;
    uint32_t v;
    do v = randomWord();
    while (v >= limit);
    return v % upperBound;
}

}  // namespace tarsel
