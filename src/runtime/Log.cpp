#include "runtime/Log.h"

#include <cstdio>

#include "runtime/LogText.h"

namespace tarsel {

namespace {
thread_local const LogOrigin* currentOrigin = nullptr;
}

LogOrigin::LogOrigin(std::string_view address, uint16_t port)
    : previous_(currentOrigin), address_(address), port_(port) {
    currentOrigin = address.empty() ? nullptr : this;
}

LogOrigin::~LogOrigin() {
    currentOrigin = previous_;
}

std::string LogOrigin::current() {
    if (!currentOrigin) return "";
    std::string key(currentOrigin->address_);
    if (currentOrigin->port_ != 0) key += ":" + std::to_string(currentOrigin->port_);
    return key;
}

Logger& Logger::instance() {
    static Logger logger;
    return logger;
}

void Logger::line(std::string_view text) {
    if (gate_ && currentOrigin && !gate_(LogOrigin::current())) return;
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
