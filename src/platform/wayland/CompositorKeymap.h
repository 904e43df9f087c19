#pragma once
// The keyboard layout the compositor types with, as it sends it to every
// client's keyboard (again at each change of layout): which key types which
// character, for paths that press the compositor's own keys (KWin, Mutter).
// A seat gets a keyboard only once it has one (Mutter's comes with the remote
// desktop session), so the keyboard follows the seat's capabilities.
#include <memory>
#include <mutex>

#include "platform/wayland/LayoutKeys.h"

struct wl_keyboard;
struct wl_seat;

namespace tarsel {

class WaylandConnection;

class CompositorKeymap {
  public:
    // Null when the compositor offers no seat.
    static std::shared_ptr<CompositorKeymap> open(std::shared_ptr<WaylandConnection> c);
    ~CompositorKeymap();
    CompositorKeymap(const CompositorKeymap&) = delete;
    CompositorKeymap& operator=(const CompositorKeymap&) = delete;

    std::shared_ptr<const LayoutKeys> keys() const;  // null before a keymap came

    // Events, from the connection's executor.
    void capabilities(uint32_t caps);
    void received(int fd, uint32_t size);

  private:
    CompositorKeymap(std::shared_ptr<WaylandConnection> c, wl_seat* s)
        : connection_(std::move(c)), seat_(s) {}
    void dropKeyboard();

    std::shared_ptr<WaylandConnection> connection_;
    wl_seat* seat_;
    wl_keyboard* keyboard_ = nullptr;
    mutable std::mutex mutex_;
    std::shared_ptr<const LayoutKeys> keys_;
};

}  // namespace tarsel
