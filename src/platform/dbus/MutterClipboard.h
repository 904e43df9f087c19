#pragma once
// The clipboard of the Mutter remote-desktop session: the agent offers the
// text and writes it when a reader asks (SelectionTransfer), so a paste works
// with or without XWayland, and the agent sees when it was read.
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "platform/Clipboard.h"

namespace tarsel {

class MutterSession;

class MutterClipboard : public Clipboard {
  public:
    explicit MutterClipboard(std::shared_ptr<MutterSession> session);

    void setText(const std::string& utf8) override;
    std::string text() override;  // the text offered last
    bool seesReads() const override { return true; }
    void onNextRead(std::function<void()> done) override;

  private:
    struct State {
        std::mutex mutex;
        std::string text;
        std::function<void()> onRead;
        uint64_t offered = 0;  // texts offered so far
        uint64_t handled = 0;  // of those, the last Mutter has taken
    };
    std::shared_ptr<MutterSession> session_;
    std::shared_ptr<State> state_ = std::make_shared<State>();
};

}  // namespace tarsel
