#include "platform/wayland/CompositorKeymap.h"

#include <sys/mman.h>
#include <unistd.h>
#include <wayland-client.h>

#include "platform/wayland/WaylandConnection.h"
#include "runtime/Log.h"

namespace tarsel {
namespace {

// Larger keymaps are not believed.
constexpr uint32_t kLargestKeymap = 1 << 20;

void keymap(void* data, wl_keyboard*, uint32_t format, int32_t fd, uint32_t size) {
    if (format == WL_KEYBOARD_KEYMAP_FORMAT_XKB_V1)
        static_cast<CompositorKeymap*>(data)->received(fd, size);
    close(fd);
}
void enter(void*, wl_keyboard*, uint32_t, wl_surface*, wl_array*) {}
void leave(void*, wl_keyboard*, uint32_t, wl_surface*) {}
void key(void*, wl_keyboard*, uint32_t, uint32_t, uint32_t, uint32_t) {}
void modifiers(void*, wl_keyboard*, uint32_t, uint32_t, uint32_t, uint32_t, uint32_t) {}
void repeat(void*, wl_keyboard*, int32_t, int32_t) {}

const wl_keyboard_listener kKeyboardListener = {keymap, enter, leave, key, modifiers, repeat};

void capabilities(void* data, wl_seat*, uint32_t caps) {
    static_cast<CompositorKeymap*>(data)->capabilities(caps);
}
void name(void*, wl_seat*, const char*) {}

const wl_seat_listener kSeatListener = {capabilities, name};

}  // namespace

std::shared_ptr<CompositorKeymap> CompositorKeymap::open(std::shared_ptr<WaylandConnection> c) {
    auto* seat = static_cast<wl_seat*>(c->bind(&wl_seat_interface, 5));
    if (!seat) return nullptr;
    std::shared_ptr<CompositorKeymap> k(new CompositorKeymap(c, seat));
    wl_seat_add_listener(seat, &kSeatListener, k.get());
    // The seat's capabilities, then the keyboard's keymap.
    if (!c->roundtrip() || !c->roundtrip() || !k->keys())
        logLine(
            "⌨️ [Wayland] no keyboard layout from the compositor yet: text is pasted until it "
            "comes");
    return k;
}

CompositorKeymap::~CompositorKeymap() {
    dropKeyboard();
    wl_seat_destroy(seat_);
    connection_->flush();
}

void CompositorKeymap::capabilities(uint32_t caps) {
    if ((caps & WL_SEAT_CAPABILITY_KEYBOARD) == 0) {
        dropKeyboard();
    } else if (!keyboard_) {
        keyboard_ = wl_seat_get_keyboard(seat_);
        wl_keyboard_add_listener(keyboard_, &kKeyboardListener, this);
        connection_->flush();
    }
}

void CompositorKeymap::dropKeyboard() {
    if (!keyboard_) return;
    if (wl_keyboard_get_version(keyboard_) >= WL_KEYBOARD_RELEASE_SINCE_VERSION)
        wl_keyboard_release(keyboard_);
    else
        wl_keyboard_destroy(keyboard_);
    keyboard_ = nullptr;
    std::lock_guard lock(mutex_);
    keys_.reset();
}

std::shared_ptr<const LayoutKeys> CompositorKeymap::keys() const {
    std::lock_guard lock(mutex_);
    return keys_;
}

void CompositorKeymap::received(int fd, uint32_t size) {
    if (size == 0 || size > kLargestKeymap) return;
    void* text = mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0);
    if (text == MAP_FAILED) return;
    auto keys = LayoutKeys::fromText({static_cast<const char*>(text), size});
    munmap(text, size);
    if (!keys) return;
    std::lock_guard lock(mutex_);
    keys_ = std::make_shared<const LayoutKeys>(std::move(*keys));
}

}  // namespace tarsel
