#pragma once
#include <functional>
#include <string>

namespace tarsel {

// The general clipboard; called on the main thread only.
class Clipboard {
  public:
    virtual ~Clipboard() = default;
    virtual void setText(const std::string& utf8) = 0;  // clears, then sets plain text
    virtual std::string text() = 0;
    // Sets the text, and the primary selection too (what Shift-Insert pastes
    // in a terminal); false where there is none to set.
    virtual bool setTextAndPrimary(const std::string& utf8) {
        setText(utf8);
        return false;
    }

    // Whether this clipboard sees an application read the text it set.
    virtual bool seesReads() const { return false; }
    // Calls `done` (on any thread) at the first read of the text set last
    // that comes after this call; never where reads are not seen.
    virtual void onNextRead(std::function<void()> done) { (void)done; }
};

}  // namespace tarsel
