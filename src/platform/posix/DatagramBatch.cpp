#include "runtime/DatagramBatch.h"

#include <sys/socket.h>

#include <array>

namespace tarsel {

namespace {
constexpr std::size_t kMaxBatch = 64;
}  // namespace

std::size_t receiveWaiting(int socket, std::span<DatagramSlot> slots) {
    std::array<mmsghdr, kMaxBatch> messages{};
    std::array<iovec, kMaxBatch> vectors{};
    const std::size_t count = std::min(slots.size(), kMaxBatch);
    for (std::size_t i = 0; i < count; ++i) {
        vectors[i] = {slots[i].data, slots[i].capacity};
        messages[i].msg_hdr.msg_iov = &vectors[i];
        messages[i].msg_hdr.msg_iovlen = 1;
        messages[i].msg_hdr.msg_name = slots[i].from.data();
        messages[i].msg_hdr.msg_namelen = static_cast<socklen_t>(slots[i].from.capacity());
    }
    const int received =
        recvmmsg(socket, messages.data(), static_cast<unsigned>(count), MSG_DONTWAIT, nullptr);
    if (received <= 0) return 0;
    for (int i = 0; i < received; ++i) {
        slots[i].size = messages[i].msg_len;
        slots[i].from.resize(messages[i].msg_hdr.msg_namelen);
    }
    return static_cast<std::size_t>(received);
}

}  // namespace tarsel
