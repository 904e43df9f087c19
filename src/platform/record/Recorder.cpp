#include "platform/record/Recorder.h"

#include <time.h>

#include <charconv>
#include <cmath>
#include <string_view>

namespace tarsel {
namespace {

double monotonicSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

// Numbers as the JSON writer prints them: a whole double keeps its ".0".
class LineBuilder {
  public:
    void text(std::string_view s) {
        const std::size_t n = std::min(s.size(), sizeof buffer_ - size_);
        s.copy(buffer_ + size_, n);
        size_ += n;
    }
    template <class T>
    void number(T value) {
        auto [end, ec] = std::to_chars(buffer_ + size_, buffer_ + sizeof buffer_, value);
        if (ec != std::errc()) return;
        const bool whole =
            std::is_floating_point_v<T> && std::isfinite(double(value)) &&
            std::string_view(buffer_ + size_, end).find_first_of(".e") == std::string_view::npos;
        size_ = static_cast<std::size_t>(end - buffer_);
        if (whole) text(".0");
    }
    std::string_view line() const { return {buffer_, size_}; }

  private:
    char buffer_[256];
    std::size_t size_ = 0;
};

}  // namespace

void Recorder::writeMouse(int type, double x, double y, int button, int64_t clickState) {
    if (!std::isfinite(x) || !std::isfinite(y)) {  // JSON has no such numbers: the writer's null
        write("mouse",
              {{"type", type}, {"x", x}, {"y", y}, {"button", button}, {"clickState", clickState}});
        return;
    }
    LineBuilder b;
    b.text("{\"t\":");
    b.number(monotonicSeconds());
    b.text(",\"op\":\"mouse\",\"type\":");
    b.number(type);
    b.text(",\"x\":");
    b.number(x);
    b.text(",\"y\":");
    b.number(y);
    b.text(",\"button\":");
    b.number(button);
    b.text(",\"clickState\":");
    b.number(clickState);
    b.text("}\n");
    const auto line = b.line();
    std::lock_guard lock(mutex_);
    std::fwrite(line.data(), 1, line.size(), file_);
    std::fflush(file_);
}

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
