#include "platform/wayland/WaylandConnection.h"

#include <unistd.h>
#include <wayland-client.h>

#include <algorithm>
#include <asio/post.hpp>
#include <cerrno>
#include <cstring>

#include "runtime/Log.h"

namespace tarsel {
namespace {

const wl_registry_listener kRegistryListener = {
    [](void* data, wl_registry* registry, uint32_t name, const char* interface, uint32_t version) {
        static_cast<WaylandConnection*>(data)->announced(registry, name, interface, version);
    },
    [](void*, wl_registry*, uint32_t) {},
};

}  // namespace

std::shared_ptr<WaylandConnection> WaylandConnection::open() {
    wl_display* display = wl_display_connect(nullptr);
    if (!display) return nullptr;
    std::shared_ptr<WaylandConnection> c(new WaylandConnection(display));
    c->registry_ = wl_display_get_registry(display);
    wl_registry_add_listener(c->registry_, &kRegistryListener, c.get());
    if (!c->roundtrip()) return nullptr;
    c->seat_ = static_cast<wl_seat*>(c->bind(&wl_seat_interface, 1));
    return c;
}

WaylandConnection::WaylandConnection(wl_display* display) : display_(display) {}

WaylandConnection::~WaylandConnection() {
    if (socket_) socket_->release();  // the display owns the descriptor
    if (seat_) wl_seat_destroy(seat_);
    if (registry_) wl_registry_destroy(registry_);
    wl_display_disconnect(display_);
}

void WaylandConnection::announced(wl_registry*, uint32_t name, const char* interface,
                                  uint32_t version) {
    globals_.push_back({name, interface, version});
}

bool WaylandConnection::offers(std::string_view interface) const {
    return std::any_of(globals_.begin(), globals_.end(),
                       [&](const Global& g) { return g.interface == interface; });
}

void* WaylandConnection::bind(const wl_interface* interface, uint32_t version) {
    for (const Global& g : globals_) {
        if (g.interface != interface->name) continue;
        return wl_registry_bind(registry_, g.name, interface, std::min(version, g.version));
    }
    return nullptr;
}

bool WaylandConnection::roundtrip() {
    return wl_display_roundtrip(display_) >= 0;
}

void WaylandConnection::flush() {
    if (wl_display_flush(display_) >= 0 || errno != EAGAIN || !socket_) return;
    asio::post(executor_, [self = shared_from_this()] { self->waitWritable(); });
}

void WaylandConnection::watch(const asio::any_io_executor& executor) {
    executor_ = executor;
    socket_ =
        std::make_unique<asio::posix::stream_descriptor>(executor, wl_display_get_fd(display_));
    // What the ports asked for at start-up (the window list, the clipboard's
    // device) goes now, not with the first input: the front-most window must
    // be known before the first text.
    flush();
    asio::post(executor_, [self = shared_from_this()] { self->waitReadable(); });
}

void WaylandConnection::waitReadable() {
    socket_->async_wait(asio::posix::stream_descriptor::wait_read,
                        [self = shared_from_this()](const asio::error_code& error) {
                            if (!error) self->dispatch();
                        });
}

void WaylandConnection::waitWritable() {
    socket_->async_wait(asio::posix::stream_descriptor::wait_write,
                        [self = shared_from_this()](const asio::error_code& error) {
                            if (!error) self->flush();
                        });
}

// Reading never blocks here: the socket is readable, and libwayland reads
// without waiting.
void WaylandConnection::dispatch() {
    while (wl_display_prepare_read(display_) != 0) wl_display_dispatch_pending(display_);
    if (wl_display_read_events(display_) >= 0 && wl_display_dispatch_pending(display_) >= 0) {
        flush();
        waitReadable();
        return;
    }
    if (lost_) return;
    lost_ = true;
    logLine(std::string("⚠️ [Wayland] the compositor connection is lost: ") +
            std::strerror(wl_display_get_error(display_)));
}

}  // namespace tarsel
