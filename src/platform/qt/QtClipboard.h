#pragma once
// The general clipboard through QClipboard; main thread only. X11 pastes are
// pulled from the owner, so the main loop serves them after setText returns.
#include "platform/Clipboard.h"

namespace tarsel {

class QtClipboard : public Clipboard {
  public:
    void setText(const std::string& utf8) override;
    std::string text() override;
};

}  // namespace tarsel
