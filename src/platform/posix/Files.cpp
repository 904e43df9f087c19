#include "runtime/Files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
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

// mkostemp picks a name no other writer uses and creates it with O_EXCL and
// mode 0600 before anything is in it, so nothing planted under a fixed name
// (a link to another file, say) is ever written through.
int openTemporary(const std::string& path, std::string& tmp) {
    tmp = path + kTemporaryMarker + "XXXXXX";
    return mkostemp(tmp.data(), O_CLOEXEC);
}

bool isOwnTemporary(const std::string& name) {
    const auto at = name.rfind(kTemporaryMarker);
    return at != std::string::npos && at > 0 &&
           name.size() == at + std::string_view(kTemporaryMarker).size() + 6;
}

}  // namespace

// Only those a minute old: a copy of the agent starting beside this one may
// be writing its own right now.
void removeStaleTemporaries(const std::string& dir) {
    std::error_code ec;
    const auto cutoff = std::filesystem::file_time_type::clock::now() - std::chrono::minutes(1);
    for (const auto& entry : std::filesystem::directory_iterator(dir, ec)) {
        const std::string name = entry.path().filename().string();
        if (isOwnTemporary(name) && entry.is_regular_file(ec) && !entry.is_symlink(ec) &&
            entry.last_write_time(ec) < cutoff)
            unlink(entry.path().c_str());
    }
}

bool exists(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0;
}

// link() puts the file in place only where none is.
Result<> moveAside(const std::string& from, const std::string& to) {
    if (link(from.c_str(), to.c_str()) != 0)
        return errno == EEXIST ? failure(kAlreadyThere) : errnoFailure(to);
    if (unlink(from.c_str()) != 0) return errnoFailure(from);
    return {};
}

std::vector<std::string> namesIn(const std::string& dir) {
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(dir, ec))
        names.push_back(entry.path().filename().string());
    return names;
}

Result<> remove(const std::string& path) {
    if (::remove(path.c_str()) == 0) return {};
    return errnoFailure(path);
}

Result<> createDirectories(const std::string& path, int mode) {
    std::error_code ec;
    std::filesystem::create_directories(parentOf(path), ec);
    if (ec) return failure(ec.message());
    if (mkdir(path.c_str(), static_cast<mode_t>(mode)) != 0 && errno != EEXIST)
        return errnoFailure(path);
    if (!std::filesystem::is_directory(path, ec)) return failure(path + ": not a directory");
    return {};
}

// Non-blocking, so a FIFO in the file's place cannot hold the caller; only
// regular files, so a link to a device cannot feed it without end.
Result<std::string> readAll(const std::string& path) {
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return errnoFailure("The file couldn't be opened");
    struct stat st {};
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size > kLargestRead) {
        close(fd);
        return failure("The file couldn't be read: " + std::string(S_ISREG(st.st_mode)
                                                                       ? "larger than 1 MiB"
                                                                       : "not a regular file"));
    }
    std::string data;
    char buf[65536];
    for (;;) {
        if (data.size() > static_cast<std::size_t>(kLargestRead)) {
            close(fd);
            return failure("The file couldn't be read: larger than 1 MiB");
        }
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

namespace {
Identity identityFrom(const struct stat& st) {
    return {static_cast<uint64_t>(st.st_dev), static_cast<uint64_t>(st.st_ino),
            static_cast<uint64_t>(st.st_size),
            static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec};
}
}  // namespace

std::optional<Identity> identityOf(const std::string& path) {
    struct stat st {};
    if (stat(path.c_str(), &st) != 0) return std::nullopt;
    return identityFrom(st);
}

Result<> writeAtomic(const std::string& path, const std::string& data, int mode, bool replace,
                     Identity* written) {
    std::string tmp;
    int fd = openTemporary(path, tmp);
    if (fd < 0) return errnoFailure("open " + tmp);
    bool ok = fchmod(fd, static_cast<mode_t>(mode)) == 0 && writeAll(fd, data) && fsync(fd) == 0;
    // Taken from the file itself, so an edit right after the rename shows as one.
    struct stat st {};
    if (ok && written && fstat(fd, &st) == 0) *written = identityFrom(st);
    Result<> status = ok ? Result<>{} : errnoFailure("write " + tmp);
    close(fd);
    // A writer that must not replace another's file learns that it lost.
    if (ok && replace && rename(tmp.c_str(), path.c_str()) != 0)
        status = errnoFailure("rename " + tmp);
    if (ok && !replace) status = moveAside(tmp, path);
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
