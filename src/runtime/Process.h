#pragma once
// Child processes without a shell. Implemented by the platform layer.
#include <string>
#include <vector>

#include "runtime/Result.h"

namespace tarsel {

// A process that ran; one that could not be started is a failure instead.
struct ProcessResult {
    int status = -1;     // exit status (128 + signal when killed)
    std::string output;  // what was captured, per the options
};

struct ProcessOptions {
    bool captureStdout = true;
    bool mergeStderr = false;    // stderr into the same capture (runTool)
    bool discardStderr = true;   // otherwise inherited
    bool inheritStdout = false;  // child writes where the agent writes
};

// Starts `path` with `args`, waits for it and reads its output to the end.
[[nodiscard]] Result<ProcessResult> runProcess(const std::string& path,
                                               const std::vector<std::string>& args,
                                               const ProcessOptions& options = {});

// Starts a process in its own session that outlives the agent; returns its pid.
[[nodiscard]] Result<int> spawnDetached(const std::string& path,
                                        const std::vector<std::string>& args,
                                        const std::string& logPath);

int currentProcessId();
// Whether `pid` is a running process (of any user).
bool processExists(int pid);

}  // namespace tarsel
