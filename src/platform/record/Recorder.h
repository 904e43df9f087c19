#pragma once
// The dry run's output: every effect as one JSON object per line, stamped with
// CLOCK_MONOTONIC seconds ("t") and flushed at once.
#include <cstdint>
#include <cstdio>
#include <mutex>
#include <string>

#include "runtime/Json.h"

namespace tarsel {

class Recorder {
  public:
    explicit Recorder(const std::string& path);  // "" or "-" = standard error
    ~Recorder();
    void write(const std::string& op, Json fields);
    // The pointer's line, the hot one: formatted in place, with no allocation.
    void writeMouse(int type, double x, double y, int button, int64_t clickState);

  private:
    std::mutex mutex_;
    FILE* file_ = nullptr;
    bool owned_ = false;
};

}  // namespace tarsel
