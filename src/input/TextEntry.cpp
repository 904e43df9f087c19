// Text entry: typed as key presses where the input path can type every
// character (the desktop's layout, or a keymap made for the text), so
// terminals take it too, nothing waits for a paste and the next key cannot
// overtake it; otherwise through the clipboard and the paste chord:
// Command-V, or in a terminal Shift-Insert with the primary selection set too.
//
// Typing goes in short bursts with a pause between them: a client whose
// socket fills up with key events is disconnected by its compositor.
//
// Both kinds of paste are steps of the key queue: the clipboard is set on the
// main thread (which must stay free to serve the focused application's
// clipboard request), and the next key or paste waits until this paste's
// key-up has been posted, so a second text cannot replace the first before it
// is pasted. Where the clipboard sees the application read the text, the next
// key also waits for that read (and a settle), or for a limit when nothing
// reads it: the application reads after the chord, and a key sent at once
// would overtake the text.
#include <mutex>

#include "input/EditingChords.h"
#include "input/InputQueues.h"
#include "input/KeyMap.h"
#include "platform/Platform.h"
#include "runtime/Log.h"
#include "runtime/LogText.h"
#include "runtime/Text.h"
#include "runtime/Unicode.h"

namespace tarsel::KeyMapProcessor {
namespace {

constexpr Seconds kReadLimit{0.5};
constexpr Seconds kReadSettle{0.02};

// The read or the limit, whichever comes first, ends the wait: once.
class ReadWait {
  public:
    void done() {
        Task resume;
        {
            std::lock_guard lock(mutex_);
            if (std::exchange(done_, true)) return;
            resume = std::exchange(resume_, nullptr);
        }
        if (resume) resume();
    }
    void resumeWith(Task resume) {
        {
            std::lock_guard lock(mutex_);
            if (!done_) {
                resume_ = std::move(resume);
                return;
            }
        }
        resume();
    }

  private:
    std::mutex mutex_;
    bool done_ = false;
    Task resume_;
};

// Made outside the coroutine, so each callback owns its reference to the wait.
Task ending(std::shared_ptr<ReadWait> read) {
    return [read = std::move(read)] { read->done(); };
}
std::function<void(Task)> resumingAfter(std::shared_ptr<ReadWait> read) {
    return [read = std::move(read)](Task resume) { read->resumeWith(std::move(resume)); };
}

// Sets the clipboard (and the primary selection for a terminal) and answers
// the chord that pastes it into the front-most application.
Chord setClipboard(const std::string& text) {
    const EditingKeys keys = platform().workspace->frontmostEditingKeys();
    bool primary = false;
    if (keys == EditingKeys::standard)
        platform().clipboard->setText(text);
    else
        primary = platform().clipboard->setTextAndPrimary(text);
    return textPasteChord(keys, primary);
}

// The clipboard is set and the chord's down posted in one main-thread turn,
// so the focused application reads this text and no other.
asio::awaitable<void> paste(std::string text, bool hold) {
    auto read = platform().clipboard->seesReads() ? std::make_shared<ReadWait>() : nullptr;
    Chord chord{};
    std::function<void(Task)> onMainThread = [&text, &chord, hold, read](Task done) {
        platform().mainLoop->post([text, &chord, hold, read, done] {
            chord = setClipboard(text);
            if (read) platform().clipboard->onNextRead(ending(read));
            platform().input->postKey(chord.key, true, chord.modifiers);
            if (hold) {
                logLine(tr("📝 text typed: {1}", clipForLog(text)));
            } else {
                platform().input->postKey(chord.key, false, chord.modifiers);
            }
            done();
        });
    };
    co_await keyQueue().until(std::move(onMainThread));
    if (hold) {
        co_await keyQueue().pause(kKeyHold);
        platform().input->postKey(chord.key, false, chord.modifiers);
    }
    if (!read) co_return;
    keyQueue().after(kReadLimit, ending(read));
    co_await keyQueue().until(resumingAfter(read));
    co_await keyQueue().pause(kReadSettle);
}

// Longer texts are pasted: typing them would hold the keys back too long.
constexpr size_t kTypedAtMost = 1000;
constexpr size_t kTypedBurst = 16;
constexpr Seconds kBurstPause{0.008};

asio::awaitable<void> type(std::u32string text, const std::string& utf8, bool hold) {
    if (hold) logLine(tr("📝 text typed: {1}", clipForLog(utf8)));
    const std::u32string_view all(text);
    for (size_t at = 0; at < all.size(); at += kTypedBurst) {
        if (at > 0) co_await keyQueue().pause(kBurstPause);
        platform().input->typeText(all.substr(at, kTypedBurst));
    }
}

// Decided when queued, so the backlog counts what the text will take; pasted
// after all if the layout changed in between.
asio::awaitable<void> enter(std::u32string characters, std::string text, bool hold) {
    if (platform().input->canType(characters))
        co_await type(std::move(characters), text, hold);
    else
        co_await paste(std::move(text), hold);
}

// The longest a paste holds the key queue: the chord, the wait for the
// application's read and the settling after it.
constexpr Seconds kLongestPaste = kKeyHold + kReadLimit + kReadSettle;

Seconds typingTime(size_t characters) {
    return kBurstPause * static_cast<double>((characters + kTypedBurst - 1) / kTypedBurst);
}

void queueText(const std::string& text, bool hold) {
    std::u32string characters = unicode::utf32(text);
    const bool typed = characters.size() <= kTypedAtMost && platform().input->canType(characters);
    const Seconds longest = typed ? typingTime(characters.size()) : kLongestPaste;
    auto waiting = backlog().claim(text.size(), longest.count());
    if (!waiting) return;
    if (!typed) {
        keyQueue().sequence(
            [text, hold, waiting = std::move(*waiting)] { return paste(text, hold); });
        return;
    }
    keyQueue().sequence([characters = std::move(characters), text, hold,
                         waiting = std::move(*waiting)] { return enter(characters, text, hold); });
}

}  // namespace

void typeText(const std::string& text) {
    queueText(text, true);
}

void pasteText(const std::string& text) {
    queueText(text, false);
}

}  // namespace tarsel::KeyMapProcessor
