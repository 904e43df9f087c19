#pragma once
// Whole log lines on standard output, one writer at a time, flushed per line.
// Every line is escaped (LogText.h): no text can end a line early or forge one.
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>

namespace tarsel {

// Marks the lines this thread writes while it handles one endpoint's request,
// so a flood of requests cannot flood the log (see Logger::setGate).
class LogOrigin {
  public:
    explicit LogOrigin(std::string_view address, uint16_t port = 0);
    ~LogOrigin();
    LogOrigin(const LogOrigin&) = delete;
    LogOrigin& operator=(const LogOrigin&) = delete;
    // "address:port" (or the address alone without a port); "" outside a
    // request.
    static std::string current();

  private:
    const LogOrigin* previous_;
    std::string_view address_;
    uint16_t port_;
};

class Logger {
  public:
    using Sink = std::function<void(std::string_view)>;
    // Whether a line from a request of `origin` is written.
    using Gate = std::function<bool(const std::string& origin)>;
    static Logger& instance();

    void line(std::string_view text);
    // An empty line between blocks of output (the banner, the shutdown).
    void blankLine();
    // Tests capture lines instead of printing them; an empty sink restores stdout.
    void setSink(Sink sink);
    // Set once at start-up, before any request is handled.
    void setGate(Gate gate) { gate_ = std::move(gate); }
    void flush();

  private:
    void write(std::string whole);

    std::mutex mutex_;
    Sink sink_;
    Gate gate_;
};

inline void logLine(std::string_view text) {
    Logger::instance().line(text);
}
inline void logBlankLine() {
    Logger::instance().blankLine();
}

}  // namespace tarsel
