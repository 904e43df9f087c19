#pragma once
// The Wayland clipboard through wl-clipboard's tools, for sessions without
// XWayland: wl-copy stays behind and serves the text until another client
// takes the selection, so it is still owned when the paste reads it.
#include <string>

#include "platform/Clipboard.h"

namespace tarsel {

class WlClipboard : public Clipboard {
  public:
    WlClipboard(std::string copyTool, std::string pasteTool)
        : copyTool_(std::move(copyTool)), pasteTool_(std::move(pasteTool)) {}
    void setText(const std::string& utf8) override;
    std::string text() override;

  private:
    std::string copyTool_;
    std::string pasteTool_;
};

}  // namespace tarsel
