#pragma once
// The X11 clipboard owned by the agent itself, on a connection and a thread of
// its own: it answers the applications' requests for the text (TARGETS and the
// UTF-8 types), and so sees when the application pasting has read it — which
// Qt's clipboard never tells. (No Xlib here: Qt's headers must not meet it.)
#include <functional>
#include <memory>
#include <string>

#include "platform/Clipboard.h"

namespace tarsel {

class X11Clipboard : public Clipboard {
  public:
    // Null without a display.
    static std::unique_ptr<X11Clipboard> open();
    ~X11Clipboard() override;
    X11Clipboard(const X11Clipboard&) = delete;
    X11Clipboard& operator=(const X11Clipboard&) = delete;

    void setText(const std::string& utf8) override;
    bool setTextAndPrimary(const std::string& utf8) override;
    std::string text() override;  // ours while we own the selection, else ""
    bool seesReads() const override { return true; }
    void onNextRead(std::function<void()> done) override;

    struct Owner;  // the connection, its window, the text and its thread

  private:
    explicit X11Clipboard(std::unique_ptr<Owner> owner);
    std::unique_ptr<Owner> owner_;
};

}  // namespace tarsel
