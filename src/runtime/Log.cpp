#include "runtime/Log.h"

#include <cstdio>

#include "runtime/LogText.h"

namespace tarsel {

Logger& Logger::instance() {
    static Logger logger;
    return logger;
}

void Logger::line(std::string_view text) {
    write(escapeLogText(text));
}

void Logger::blankLine() {
    write("");
}

void Logger::write(std::string whole) {
    std::lock_guard lock(mutex_);
    if (sink_) {
        sink_(whole);
        return;
    }
    whole.push_back('\n');
    std::fwrite(whole.data(), 1, whole.size(), stdout);
    std::fflush(stdout);
}

void Logger::setSink(Sink sink) {
    std::lock_guard lock(mutex_);
    sink_ = std::move(sink);
}

void Logger::flush() {
    std::lock_guard lock(mutex_);
    std::fflush(stdout);
}

}  // namespace tarsel
