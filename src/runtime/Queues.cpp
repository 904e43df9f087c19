#include "runtime/Queues.h"

#include <algorithm>
#include <thread>

namespace tarsel {
namespace {

std::size_t poolSize() {
    return std::max<std::size_t>(4, std::thread::hardware_concurrency());
}

}  // namespace

asio::thread_pool& Queues::global() {
    static asio::thread_pool pool(poolSize());
    return pool;
}

asio::thread_pool& Queues::userInitiated() {
    static asio::thread_pool pool(poolSize());
    return pool;
}

}  // namespace tarsel
