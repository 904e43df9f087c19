#pragma once
// What a Wayland desktop offers the agent natively: its compositor's globals
// (wlroots virtual devices, KWin's fake input, data-control, foreign
// toplevels) and, on GNOME, Mutter's remote desktop on the session bus.
#include <asio/any_io_executor.hpp>
#include <functional>
#include <memory>
#include <string>

#include "platform/Clipboard.h"
#include "platform/InputChoice.h"
#include "platform/InputPause.h"
#include "platform/linux/EvdevInput.h"
#include "runtime/Result.h"

namespace tarsel {

class WaylandConnection;
class SessionBus;
class MutterSession;

class NativeSession {
  public:
    // Connects to the compositor and the session bus where `wayland`.
    static NativeSession probe(bool wayland);

    void describe(SessionFacts& facts) const;
    // The devices or session of a native path, created now and kept.
    Result<std::unique_ptr<EvdevInput>> openInput(InputPath path);
    // The desktop's own clipboard, or null where it offers none.
    std::unique_ptr<Clipboard> clipboard();
    // The desktop's own front-most application (its source logged), or null.
    std::function<std::string()> frontmost();
    // From now on the compositor's and the bus's events are handled there.
    void watch(const asio::any_io_executor& executor);
    // GNOME's session, which its user can stop; null elsewhere.
    std::shared_ptr<InputPause> pause() const;
    // Ends the remote-desktop session (the orderly end).
    void release();

  private:
    Result<std::unique_ptr<EvdevInput>> openDesktopKeys(InputPath path);

    std::shared_ptr<WaylandConnection> wayland_;
    std::shared_ptr<SessionBus> bus_;
    std::shared_ptr<MutterSession> mutter_;
};

}  // namespace tarsel
