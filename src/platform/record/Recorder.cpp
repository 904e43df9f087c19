#include "platform/record/Recorder.h"

#include <time.h>

namespace tarsel {
namespace {

double monotonicSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

}  // namespace

Recorder::Recorder(const std::string& path) {
    if (!path.empty() && path != "-") file_ = std::fopen(path.c_str(), "a");
    owned_ = file_ != nullptr;
    if (!file_) file_ = stderr;
}

Recorder::~Recorder() {
    if (owned_) std::fclose(file_);
}

void Recorder::write(const std::string& op, Json fields) {
    Json line = Json::object();
    line["t"] = monotonicSeconds();
    line["op"] = op;
    for (auto& [k, v] : fields.items()) line[k] = v;
    std::string text = toCompactJson(line);
    text.push_back('\n');
    std::lock_guard lock(mutex_);
    std::fwrite(text.data(), 1, text.size(), file_);
    std::fflush(file_);
}

}  // namespace tarsel
