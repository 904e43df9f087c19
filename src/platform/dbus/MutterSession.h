#pragma once
// One remote-desktop session with Mutter (GNOME), opened at start-up and kept:
// keys by evdev code, relative pointer motion with fractions, buttons and the
// wheel, and the session's clipboard. Input calls go out without waiting for
// a reply. When Mutter closes the session (the user's "Stop Screen Sharing")
// input pauses: nothing is sent until resume() opens a new session.
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "platform/InputPause.h"
#include "platform/linux/EvdevInput.h"
#include "runtime/Result.h"

namespace tarsel {

class SessionBus;

class MutterSession : public InputPause, public std::enable_shared_from_this<MutterSession> {
  public:
    static constexpr const char* kService = "org.gnome.Mutter.RemoteDesktop";

    // Creates and starts the session, waiting at most a few seconds.
    [[nodiscard]] static Result<std::shared_ptr<MutterSession>> open(
        std::shared_ptr<SessionBus> bus);
    // Ends the session (the orderly end).
    void stop();
    bool paused() const override { return paused_; }
    bool resume() override;

    // Input through this session, its keyboard and pointer sides.
    std::unique_ptr<EvdevInput> input();

    void notifyKey(int code, bool down);
    void notifyButton(int code, bool down);
    void notifyMotion(double dx, double dy);
    void notifyWheel(int32_t steps);                     // positive: down
    void notifySmoothScroll(double right, double down);  // in notches
    // The clipboard's side: offer text (`handled` runs once Mutter has taken
    // the offer), and hand it to a reader that asked (`taken` runs once the
    // whole text is read).
    void setSelection(std::function<void()> handled);
    void writeSelection(uint32_t serial, std::string text, std::function<void()> taken);
    std::function<void(uint32_t serial)> onTransfer;  // set once, before the watch

    // Bus events, from the bus's executor.
    void closed();
    void transfer(uint32_t serial);
    void reopened(const std::string& path);
    void started(bool ok);

  private:
    MutterSession(std::shared_ptr<SessionBus> bus, std::string path)
        : bus_(std::move(bus)), path_(std::move(path)) {}
    template <class... Args>
    void send(const char* member, const char* types, Args... args);
    bool subscribe();
    void warmUp();
    void reopen();

    std::shared_ptr<SessionBus> bus_;
    std::string path_;  // the session's object path; set on the bus's thread
    std::atomic<bool> paused_{false};
    std::atomic<bool> resuming_{false};
    std::atomic<bool> droppedSaid_{false};  // one line per pause for dropped input
    bool stopping_ = false;                 // our own Stop closes the session too
};

}  // namespace tarsel
