#pragma once
// One connection to the session's compositor, shared by the Wayland ports:
// the globals it offers, and its events dispatched on one executor (the
// network thread's), never by a thread of its own. Requests may be sent from
// any thread; each sender flushes.
#include <asio/any_io_executor.hpp>
#include <asio/posix/stream_descriptor.hpp>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

struct wl_display;
struct wl_registry;
struct wl_seat;
struct wl_interface;

namespace tarsel {

class WaylandConnection : public std::enable_shared_from_this<WaylandConnection> {
  public:
    // Null when WAYLAND_DISPLAY names no compositor this process may reach.
    static std::shared_ptr<WaylandConnection> open();
    ~WaylandConnection();
    WaylandConnection(const WaylandConnection&) = delete;
    WaylandConnection& operator=(const WaylandConnection&) = delete;

    bool offers(std::string_view interface) const;
    // The first global of `interface`, at most `version`; null if not offered.
    void* bind(const wl_interface* interface, uint32_t version);
    wl_seat* seat() const { return seat_; }

    // Start-up only: waits for the compositor to have handled every request.
    bool roundtrip();
    // After requests, from any thread: sends what is buffered, now or once the
    // socket takes it.
    void flush();
    // From now on the compositor's events are handled on `executor`.
    void watch(const asio::any_io_executor& executor);
    const asio::any_io_executor& executor() const { return executor_; }

    // The registry's announcement of a global (its listener's entry).
    void announced(wl_registry* registry, uint32_t name, const char* interface, uint32_t version);

  private:
    struct Global {
        uint32_t name;
        std::string interface;
        uint32_t version;
    };
    explicit WaylandConnection(wl_display* display);
    void waitReadable();
    void waitWritable();
    void dispatch();

    wl_display* display_;
    wl_registry* registry_ = nullptr;
    wl_seat* seat_ = nullptr;
    std::vector<Global> globals_;
    asio::any_io_executor executor_;
    std::unique_ptr<asio::posix::stream_descriptor> socket_;
    bool lost_ = false;
};

}  // namespace tarsel
