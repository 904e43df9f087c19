#pragma once
// The user's session bus through sd-bus, its descriptor watched on one
// executor (the network thread's): signals and replies are handled there.
// Calls that shape input are sent without waiting for a reply; only start-up
// waits, and with a short limit. Usable from any thread.
#include <systemd/sd-bus.h>

#include <asio/any_io_executor.hpp>
#include <asio/posix/stream_descriptor.hpp>
#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

namespace tarsel {

class SessionBus : public std::enable_shared_from_this<SessionBus> {
  public:
    // Null without a session bus.
    static std::shared_ptr<SessionBus> open();
    ~SessionBus();
    SessionBus(const SessionBus&) = delete;
    SessionBus& operator=(const SessionBus&) = delete;

    // Start-up only: whether `name` has an owner now.
    bool hasOwner(const char* name);
    // Runs `fn` with the bus, serialised with every other use of it.
    template <class Fn>
    auto with(Fn fn) -> decltype(fn(static_cast<sd_bus*>(nullptr))) {
        std::lock_guard lock(mutex_);
        struct Flush {
            SessionBus* bus;
            ~Flush() { bus->flushLocked(); }
        } flush{this};
        return fn(bus_);
    }
    // From now on signals and replies are handled on `executor`.
    void watch(const asio::any_io_executor& executor);
    const asio::any_io_executor& executor() const { return executor_; }

  private:
    explicit SessionBus(sd_bus* bus) : bus_(bus) {}
    void flushLocked();
    void process();

    sd_bus* bus_;
    std::recursive_mutex mutex_;
    asio::any_io_executor executor_;
    std::unique_ptr<asio::posix::stream_descriptor> socket_;
    bool waiting_ = false;
    bool waitingWrite_ = false;
    unsigned wait_ = 0;
};

// How long start-up waits for a reply.
inline constexpr std::chrono::seconds kStartupCallLimit{5};

}  // namespace tarsel
