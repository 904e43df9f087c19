#include "runtime/Queues.h"

#include <algorithm>
#include <thread>

namespace tarsel {
namespace {

// Sized to the work: the blocking helpers are rare and short.
std::size_t poolSize() {
    return std::clamp<std::size_t>(std::thread::hardware_concurrency(), 1, 2);
}

}  // namespace

asio::thread_pool& Queues::network() {
    static auto* pool = new asio::thread_pool(1);  // never joined: the exit ends it
    return *pool;
}

asio::thread_pool& Queues::global() {
    static asio::thread_pool pool(poolSize());
    return pool;
}

asio::thread_pool& Queues::userInitiated() {
    static asio::thread_pool pool(1);
    return pool;
}

}  // namespace tarsel
