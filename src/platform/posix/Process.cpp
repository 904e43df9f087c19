#include "runtime/Process.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fstream>

extern char** environ;

namespace tarsel {
namespace {

std::vector<char*> argv(const std::string& path, const std::vector<std::string>& args) {
    std::vector<char*> v;
    v.push_back(const_cast<char*>(path.c_str()));
    for (auto& a : args) v.push_back(const_cast<char*>(a.c_str()));
    v.push_back(nullptr);
    return v;
}

std::string readToEnd(int fd) {
    std::string out;
    char buf[8192];
    for (;;) {
        ssize_t n = read(fd, buf, sizeof buf);
        if (n > 0)
            out.append(buf, static_cast<size_t>(n));
        else if (n < 0 && errno == EINTR)
            continue;
        else
            break;
    }
    return out;
}

int waitStatus(pid_t pid) {
    int st = 0;
    while (waitpid(pid, &st, 0) < 0 && errno == EINTR) {
    }
    if (WIFEXITED(st)) return WEXITSTATUS(st);
    if (WIFSIGNALED(st)) return 128 + WTERMSIG(st);
    return -1;
}

void setupStreams(posix_spawn_file_actions_t& fa, int writeEnd, const ProcessOptions& o) {
    posix_spawn_file_actions_addopen(&fa, 0, "/dev/null", O_RDONLY, 0);
    if (o.captureStdout)
        posix_spawn_file_actions_adddup2(&fa, writeEnd, 1);
    else if (!o.inheritStdout)
        posix_spawn_file_actions_addopen(&fa, 1, "/dev/null", O_WRONLY, 0);
    if (o.mergeStderr && o.captureStdout)
        posix_spawn_file_actions_adddup2(&fa, writeEnd, 2);
    else if (o.discardStderr)
        posix_spawn_file_actions_addopen(&fa, 2, "/dev/null", O_WRONLY, 0);
}

}  // namespace

Result<ProcessResult> runProcess(const std::string& path, const std::vector<std::string>& args,
                                 const ProcessOptions& options) {
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) return failure(std::strerror(errno));
    posix_spawn_file_actions_t fa;
    posix_spawn_file_actions_init(&fa);
    setupStreams(fa, fds[1], options);
    pid_t pid = 0;
    auto av = argv(path, args);
    int rc = posix_spawn(&pid, path.c_str(), &fa, nullptr, av.data(), environ);
    posix_spawn_file_actions_destroy(&fa);
    close(fds[1]);
    if (rc != 0) {
        close(fds[0]);
        return failure("The file \xe2\x80\x9c" + path +
                       "\xe2\x80\x9d couldn't be opened: " + std::strerror(rc));
    }
    ProcessResult result;
    result.output = readToEnd(fds[0]);
    close(fds[0]);
    result.status = waitStatus(pid);
    return result;
}

Result<int> spawnDetached(const std::string& path, const std::vector<std::string>& args,
                          const std::string& logPath) {
    posix_spawn_file_actions_t fa;
    posix_spawn_file_actions_init(&fa);
    posix_spawn_file_actions_addopen(&fa, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&fa, 1, logPath.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
    posix_spawn_file_actions_adddup2(&fa, 1, 2);
    posix_spawnattr_t attr;
    posix_spawnattr_init(&attr);
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSID);
    pid_t pid = 0;
    auto av = argv(path, args);
    int rc = posix_spawn(&pid, path.c_str(), &fa, &attr, av.data(), environ);
    posix_spawn_file_actions_destroy(&fa);
    posix_spawnattr_destroy(&attr);
    if (rc != 0) return failure(path + ": " + std::strerror(rc));
    return static_cast<int>(pid);
}

int currentProcessId() {
    return static_cast<int>(getpid());
}

// A process that has ended but not been waited for (a zombie) is gone.
bool processExists(int pid) {
    if (kill(pid, 0) != 0 && errno != EPERM) return false;
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string line;
    if (!std::getline(stat, line)) return true;  // no /proc: trust kill()
    auto close = line.rfind(')');
    return close == std::string::npos || close + 2 >= line.size() || line[close + 2] != 'Z';
}

}  // namespace tarsel
