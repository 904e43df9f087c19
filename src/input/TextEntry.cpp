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

namespace tarsel::KeyMapProcessor {
namespace {

constexpr KeyCode kV = 9;
constexpr Seconds kKeyHold{0.05};

void setClipboard(const std::string& text) {
    platform().clipboard->setText(text);
}

}  // namespace

void typeText(const std::string& text) {
    keyQueue().async([text](StepQueue::Done done) {
        platform().mainLoop->post([text, done] {
            setClipboard(text);
            platform().input->postKey(kV, true, flag::command);
            logLine("📝 텍스트 입력: " + text);
            keyQueue().after(kKeyHold, [done] {
                platform().input->postKey(kV, false, flag::command);
                done();
            });
        });
    });
}

void pasteText(const std::string& text) {
    keyQueue().async([text](StepQueue::Done done) {
        platform().mainLoop->post([text, done] {
            setClipboard(text);
            platform().input->postKey(kV, true, flag::command);
            platform().input->postKey(kV, false, flag::command);
            done();
        });
    });
}

}  // namespace tarsel::KeyMapProcessor
