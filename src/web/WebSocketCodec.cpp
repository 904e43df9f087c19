#include "web/WebSocketCodec.h"

#include <wslay/wslay.h>

#include <algorithm>
#include <cstring>

#include "runtime/Unicode.h"

namespace tarsel::web {

struct WebSocketCodec::Callbacks {
    static WebSocketCodec& self(void* user) { return *static_cast<WebSocketCodec*>(user); }

    static ssize_t recv(wslay_event_context_ptr ctx, uint8_t* buf, size_t len, int, void* user) {
        auto& s = self(user);
        if (s.inputLeft_ == 0) {
            wslay_event_set_error(ctx, WSLAY_ERR_WOULDBLOCK);
            return -1;
        }
        const std::size_t n = std::min(len, s.inputLeft_);
        std::memcpy(buf, s.input_, n);
        s.input_ += n;
        s.inputLeft_ -= n;
        return static_cast<ssize_t>(n);
    }

    // Everything wslay writes collects in `output`, which the connection writes out.
    static ssize_t send(wslay_event_context_ptr, const uint8_t* data, size_t len, int, void* user) {
        self(user).output_.append(reinterpret_cast<const char*>(data), len);
        return static_cast<ssize_t>(len);
    }

    static int genmask(wslay_event_context_ptr, uint8_t* buf, size_t len, void*) {
        std::memset(buf, 0, len);  // a server's frames are never masked; never called
        return 0;
    }

    static void frameStart(wslay_event_context_ptr, const wslay_event_on_frame_recv_start_arg* arg,
                           void* user) {
        auto& s = self(user);
        s.dataFrame_ = !(arg->opcode & 0x8);  // control frames: wslay answers them
        if (!s.dataFrame_ || s.refused_) return;
        s.fin_ = arg->fin != 0;
        if (arg->opcode == WSLAY_BINARY_FRAME) return s.fail(1003, "binary message");
        if (arg->opcode == WSLAY_TEXT_FRAME) {
            s.inText_ = true;
            s.length_ = 0;
        }
        if (!s.inText_) return s.fail(1002, "continuation without a message");
        if (arg->payload_length > kLargestMessage - s.length_)
            return s.fail(1009, "message larger than 64 KiB");
        if (!s.message_) s.message_ = std::make_unique<char[]>(kLargestMessage);
    }

    static void frameChunk(wslay_event_context_ptr, const wslay_event_on_frame_recv_chunk_arg* arg,
                           void* user) {
        auto& s = self(user);
        if (s.refused_ || !s.inText_ || !s.dataFrame_) return;
        if (arg->data_length > kLargestMessage - s.length_)
            return s.fail(1009, "message larger than 64 KiB");
        std::memcpy(s.message_.get() + s.length_, arg->data, arg->data_length);
        s.length_ += arg->data_length;
    }

    static void frameEnd(wslay_event_context_ptr ctx, void* user) {
        auto& s = self(user);
        (void)ctx;
        if (s.refused_ || !s.inText_ || !s.dataFrame_ || !s.fin_) return;
        s.inText_ = false;
        const std::string_view text(s.message_.get(), s.length_);
        if (!unicode::isValidUtf8(text)) return s.fail(1007, "text that is not UTF-8");
        s.onMessage_(text);
    }

    static void message(wslay_event_context_ptr, const wslay_event_on_msg_recv_arg* arg,
                        void* user) {
        auto& s = self(user);
        if (arg->opcode != WSLAY_CONNECTION_CLOSE) return;
        const std::string_view reason(reinterpret_cast<const char*>(arg->msg), arg->msg_length);
        if (arg->msg_length > 2 && !unicode::isValidUtf8(reason.substr(2)))
            s.fail(1007, "close reason that is not UTF-8");
    }
};

WebSocketCodec::WebSocketCodec(OnMessage onMessage) : onMessage_(std::move(onMessage)) {
    static const wslay_event_callbacks callbacks = {
        Callbacks::recv,       Callbacks::send,     Callbacks::genmask, Callbacks::frameStart,
        Callbacks::frameChunk, Callbacks::frameEnd, Callbacks::message};
    if (wslay_event_context_server_init(&ctx_, &callbacks, this) != 0) {
        ctx_ = nullptr;
        failure_ = "out of memory";
        return;
    }
    wslay_event_config_set_no_buffering(ctx_, 1);
    wslay_event_config_set_max_recv_msg_length(ctx_, kLargestMessage);
}

WebSocketCodec::~WebSocketCodec() {
    if (ctx_) wslay_event_context_free(ctx_);
}

bool WebSocketCodec::feed(const char* data, std::size_t size) {
    if (!ctx_) return false;
    input_ = data;
    inputLeft_ = size;
    if (wslay_event_recv(ctx_) != 0 && failure_.empty()) failure_ = "broken frames";
    inputLeft_ = 0;
    flush();
    return !finished();
}

void WebSocketCodec::sendText(std::string_view text) {
    if (!ctx_ || refused_) return;
    wslay_event_msg msg{WSLAY_TEXT_FRAME, reinterpret_cast<const uint8_t*>(text.data()),
                        text.size()};
    wslay_event_queue_msg(ctx_, &msg);
}

void WebSocketCodec::close(uint16_t code, std::string_view reason) {
    if (!ctx_) return;
    wslay_event_queue_close(ctx_, code, reinterpret_cast<const uint8_t*>(reason.data()),
                            reason.size());
    wslay_event_shutdown_read(ctx_);
}

void WebSocketCodec::flush() {
    if (ctx_ && wslay_event_want_write(ctx_)) wslay_event_send(ctx_);
}

bool WebSocketCodec::finished() const {
    return !ctx_ || (!wslay_event_want_read(ctx_) && !wslay_event_want_write(ctx_));
}

void WebSocketCodec::fail(uint16_t code, const char* why) {
    refused_ = true;
    inText_ = false;
    if (failure_.empty()) failure_ = why;
    close(code, "");
}

}  // namespace tarsel::web
