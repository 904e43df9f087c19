// Text entry through the clipboard and the paste chord Command-V.
//
// Both kinds of paste are steps of the key queue: the clipboard is set on the
// main thread (which must stay free to serve the focused application's
// clipboard request), and the next key or paste waits until this paste's
// key-up has been posted, so a second text cannot replace the first before it
// is pasted.
#include "input/InputQueues.h"
#include "input/KeyMap.h"
#include "platform/Platform.h"
#include "runtime/Log.h"
#include "runtime/LogText.h"

namespace tarsel::KeyMapProcessor {
namespace {

constexpr KeyCode kV = 9;

void setClipboard(const std::string& text) {
    platform().clipboard->setText(text);
}

// The clipboard is set and the chord's down posted in one main-thread turn,
// so the focused application reads this text and no other.
asio::awaitable<void> paste(std::string text, bool hold) {
    std::function<void(Task)> onMainThread = [&text, hold](Task done) {
        platform().mainLoop->post([text, hold, done] {
            setClipboard(text);
            platform().input->postKey(kV, true, flag::command);
            if (hold) {
                logLine("📝 텍스트 입력: " + clipForLog(text));
            } else {
                platform().input->postKey(kV, false, flag::command);
            }
            done();
        });
    };
    co_await keyQueue().until(std::move(onMainThread));
    if (!hold) co_return;
    co_await keyQueue().pause(kKeyHold);
    platform().input->postKey(kV, false, flag::command);
}

}  // namespace

void typeText(const std::string& text) {
    keyQueue().sequence(
        [text, waiting = backlog().claim(text.size())] { return paste(text, true); });
}

void pasteText(const std::string& text) {
    keyQueue().sequence(
        [text, waiting = backlog().claim(text.size())] { return paste(text, false); });
}

}  // namespace tarsel::KeyMapProcessor
