#pragma once
// Whole log lines on standard output, one writer at a time, flushed per line.
#include <functional>
#include <mutex>
#include <string>
#include <string_view>

namespace tarsel {

class Logger {
public:
    using Sink = std::function<void(std::string_view)>;
    static Logger& instance();

    void line(std::string_view text);
    // Tests capture lines instead of printing them; an empty sink restores stdout.
    void setSink(Sink sink);
    void flush();

private:
    std::mutex mutex_;
    Sink sink_;
};

inline void logLine(std::string_view text) { Logger::instance().line(text); }

}  // namespace tarsel
