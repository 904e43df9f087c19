#include "runtime/SecureRandom.h"

#include <fcntl.h>
#include <sys/random.h>
#include <unistd.h>

#include <cerrno>

namespace tarsel {
namespace {

// getrandom blocks only until the kernel's pool is first seeded; EINTR and
// EAGAIN are worth another try, anything else (ENOSYS, a seccomp EPERM) is not.
bool fromGetrandom(unsigned char* out, std::size_t size) {
    std::size_t done = 0;
    for (int tries = 0; done < size && tries < 100;) {
        ssize_t n = getrandom(out + done, size - done, 0);
        if (n > 0)
            done += static_cast<std::size_t>(n);
        else if (n < 0 && (errno == EINTR || errno == EAGAIN))
            ++tries;
        else
            return false;
    }
    return done == size;
}

bool fromDevice(unsigned char* out, std::size_t size) {
    int fd = open("/dev/urandom", O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    std::size_t done = 0;
    while (done < size) {
        ssize_t n = read(fd, out + done, size - done);
        if (n > 0)
            done += static_cast<std::size_t>(n);
        else if (!(n < 0 && errno == EINTR))
            break;
    }
    close(fd);
    return done == size;
}

}  // namespace

Result<> secureRandomBytes(void* out, std::size_t size) {
    auto* bytes = static_cast<unsigned char*>(out);
    if (fromGetrandom(bytes, size) || fromDevice(bytes, size)) return {};
    return failure("neither getrandom nor /dev/urandom gave random bytes");
}

Result<uint32_t> secureRandomBelow(uint32_t upperBound) {
    if (upperBound == 0) return 0;
    // Rejection sampling keeps the draw uniform.
    const uint32_t limit = UINT32_MAX - UINT32_MAX % upperBound;
    uint32_t v = 0;
    do {
        if (auto drawn = secureRandomBytes(&v, sizeof v); !drawn) return failure(drawn.error());
    } while (v >= limit);
    return v % upperBound;
}

}  // namespace tarsel
