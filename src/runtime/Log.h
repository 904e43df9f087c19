#pragma once
// Whole log lines on standard output, one writer at a time, flushed per line.
// Every line is escaped (LogText.h): no text can end a line early or forge one.
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
    // An empty line between blocks of output (the banner, the shutdown).
    void blankLine();
    // Tests capture lines instead of printing them; an empty sink restores stdout.
    void setSink(Sink sink);
    void flush();

  private:
    void write(std::string whole);

    std::mutex mutex_;
    Sink sink_;
};

inline void logLine(std::string_view text) {
    Logger::instance().line(text);
}
inline void logBlankLine() {
    Logger::instance().blankLine();
}

}  // namespace tarsel
