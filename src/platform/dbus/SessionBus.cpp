#include "platform/dbus/SessionBus.h"

#include <poll.h>

#include <asio/post.hpp>

namespace tarsel {

std::shared_ptr<SessionBus> SessionBus::open() {
    sd_bus* bus = nullptr;
    if (sd_bus_open_user(&bus) < 0) return nullptr;
    sd_bus_set_method_call_timeout(
        bus, std::chrono::duration_cast<std::chrono::microseconds>(kStartupCallLimit).count());
    return std::shared_ptr<SessionBus>(new SessionBus(bus));
}

SessionBus::~SessionBus() {
    if (socket_) socket_->release();  // sd-bus owns the descriptor
    sd_bus_flush_close_unref(bus_);
}

bool SessionBus::hasOwner(const char* name) {
    return with([name](sd_bus* bus) {
        sd_bus_message* reply = nullptr;
        int has = 0;
        const int r =
            sd_bus_call_method(bus, "org.freedesktop.DBus", "/org/freedesktop/DBus",
                               "org.freedesktop.DBus", "NameHasOwner", nullptr, &reply, "s", name);
        if (r >= 0) sd_bus_message_read(reply, "b", &has);
        sd_bus_message_unref(reply);
        return has != 0;
    });
}

void SessionBus::watch(const asio::any_io_executor& executor) {
    std::lock_guard lock(mutex_);
    executor_ = executor;
    socket_ = std::make_unique<asio::posix::stream_descriptor>(executor, sd_bus_get_fd(bus_));
    asio::post(executor_, [self = shared_from_this()] { self->process(); });
}

// A send leaves what the socket did not take in sd-bus's queue; the watch
// then waits for the socket to take it.
void SessionBus::flushLocked() {
    if (!socket_ || (waiting_ && waitingWrite_)) return;
    if ((sd_bus_get_events(bus_) & POLLOUT) == 0) return;
    asio::post(executor_, [self = shared_from_this()] { self->process(); });
}

void SessionBus::process() {
    std::lock_guard lock(mutex_);
    while (sd_bus_process(bus_, nullptr) > 0) {
    }
    const int events = sd_bus_get_events(bus_);
    if (events < 0) return;  // the bus is gone: nothing more to watch
    const bool write = (events & POLLOUT) != 0;
    if (waiting_ && waitingWrite_ == write) return;
    if (waiting_) socket_->cancel();
    waiting_ = true;
    waitingWrite_ = write;
    const unsigned wait = ++wait_;
    socket_->async_wait(write ? asio::posix::stream_descriptor::wait_write
                              : asio::posix::stream_descriptor::wait_read,
                        [self = shared_from_this(), wait](const asio::error_code& error) {
                            {
                                std::lock_guard lock(self->mutex_);
                                if (wait != self->wait_) return;  // a newer wait replaced it
                                self->waiting_ = false;
                            }
                            if (!error) self->process();
                        });
}

}  // namespace tarsel
