#include "runtime/Files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

namespace tarsel::files {
namespace {

tl::unexpected<std::string> errnoFailure(const std::string& what) {
    return failure(what + ": " + std::strerror(errno));
}

bool writeAll(int fd, const std::string& data) {
    size_t done = 0;
    while (done < data.size()) {
        ssize_t n = write(fd, data.data() + done, data.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

void syncDirectory(const std::string& dir) {
    int fd = open(dir.empty() ? "." : dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        fsync(fd);
        close(fd);
    }
}

// A fixed name is truncated; without one, mkstemp picks a name no other
// writer uses (it creates the file with mode 0600 before anything is in it).
int openTemporary(const std::string& path, const std::string& tmpSuffix, int mode,
                  std::string& tmp) {
    if (!tmpSuffix.empty()) {
        tmp = path + tmpSuffix;
        return open(tmp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, mode);
    }
    tmp = path + ".tmp-XXXXXX";
    return mkostemp(tmp.data(), O_CLOEXEC);
}

}  // namespace

bool exists(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0;
}

Result<> remove(const std::string& path) {
    if (::remove(path.c_str()) == 0) return {};
    return errnoFailure(path);
}

Result<> createDirectories(const std::string& path) {
    std::error_code ec;
    std::filesystem::create_directories(path, ec);
    if (ec) return failure(ec.message());
    if (!std::filesystem::is_directory(path, ec)) return failure(path + ": not a directory");
    return {};
}

Result<std::string> readAll(const std::string& path) {
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return errnoFailure("The file couldn't be opened");
    std::string data;
    char buf[65536];
    for (;;) {
        ssize_t n = read(fd, buf, sizeof buf);
        if (n > 0) {
            data.append(buf, static_cast<size_t>(n));
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else if (n < 0) {
            auto error = errnoFailure("The file couldn't be read");
            close(fd);
            return error;
        } else {
            break;
        }
    }
    close(fd);
    return data;
}

Result<> writeAtomic(const std::string& path, const std::string& data, int mode,
                     const std::string& tmpSuffix) {
    std::string tmp;
    int fd = openTemporary(path, tmpSuffix, mode, tmp);
    if (fd < 0) return errnoFailure("open " + tmp);
    bool ok = fchmod(fd, static_cast<mode_t>(mode)) == 0 && writeAll(fd, data) && fsync(fd) == 0;
    Result<> status = ok ? Result<>{} : errnoFailure("write " + tmp);
    close(fd);
    if (ok && rename(tmp.c_str(), path.c_str()) != 0) status = errnoFailure("rename " + tmp);
    if (!status) {
        unlink(tmp.c_str());  // a failed write leaves nothing behind
        return status;
    }
    syncDirectory(parentOf(path));
    return {};
}

std::string join(const std::string& dir, const std::string& name) {
    if (dir.empty()) return name;
    if (dir.back() == '/') return dir + name;
    return dir + "/" + name;
}

std::string parentOf(const std::string& path) {
    auto pos = path.find_last_of('/');
    if (pos == std::string::npos) return ".";
    return pos == 0 ? "/" : path.substr(0, pos);
}

}  // namespace tarsel::files
