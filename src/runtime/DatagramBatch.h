#pragma once
// Several waiting datagrams in one system call.
#include <asio/ip/udp.hpp>
#include <cstddef>
#include <span>

namespace tarsel {

struct DatagramSlot {
    char* data = nullptr;
    std::size_t capacity = 0;
    std::size_t size = 0;  // of the datagram received into this slot
    asio::ip::udp::endpoint from;
};

// Receives the datagrams already waiting on `socket`, at most one per slot,
// without blocking: how many were received, 0 when none was waiting or on an
// error. Fewer than the slots means none is left waiting.
std::size_t receiveWaiting(int socket, std::span<DatagramSlot> slots);

}  // namespace tarsel
