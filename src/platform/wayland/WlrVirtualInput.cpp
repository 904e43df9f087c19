#include "platform/wayland/WlrVirtualInput.h"

#include <linux/input-event-codes.h>
#include <wayland-client.h>

#include <algorithm>
#include <cstdlib>
#include <string>

#include "platform/wayland/Keymap.h"
#include "platform/wayland/WaylandConnection.h"
#include "platform/wayland/WaylandTime.h"
#include "virtual-keyboard-unstable-v1.h"
#include "wlr-virtual-pointer-unstable-v1.h"

namespace tarsel {
namespace {

// A wheel notch is this long in the compositor's axis units.
constexpr double kAxisPerNotch = 15;
constexpr double kSmoothPerNotch = 33.4;

class WlrKeyboard : public EventSink {
  public:
    WlrKeyboard(std::shared_ptr<WaylandConnection> c, zwp_virtual_keyboard_v1* k, Keymap keymap)
        : connection_(std::move(c)), keyboard_(k), keymap_(std::move(keymap)) {}
    ~WlrKeyboard() override {
        zwp_virtual_keyboard_v1_destroy(keyboard_);
        connection_->flush();
    }
    WlrKeyboard(const WlrKeyboard&) = delete;
    WlrKeyboard& operator=(const WlrKeyboard&) = delete;

    void key(int code, bool down) override {
        if (!typing_.empty()) upload(keymap_, {});
        zwp_virtual_keyboard_v1_key(
            keyboard_, waylandTime(), static_cast<uint32_t>(code),
            down ? WL_KEYBOARD_KEY_STATE_PRESSED : WL_KEYBOARD_KEY_STATE_RELEASED);
        if (const uint32_t bit = modifierMask(code)) {
            modifiers_ = down ? (modifiers_ | bit) : (modifiers_ & ~bit);
            zwp_virtual_keyboard_v1_modifiers(keyboard_, modifiers_, 0, 0, 0);
        }
        connection_->flush();
    }
    void motion(double, double) override {}
    void wheel(int32_t, int32_t) override {}

    bool canType(std::u32string_view text) const override {
        return std::all_of(text.begin(), text.end(), typeable) &&
               distinct(text).size() <= kTextKeys;
    }
    // As wtype does: a keymap of the text's characters, kept for the next
    // text while it has what that needs; keys get the US keymap back.
    void type(std::u32string_view text) override {
        if (!covers(typing_, text)) {
            const std::u32string keys = distinct(text);
            const auto keymap = textKeymap(keys);
            if (!keymap) return;
            upload(*keymap, keys);
        }
        for (char32_t c : text) {
            const auto code = static_cast<uint32_t>(typing_.find(c) + 1);
            zwp_virtual_keyboard_v1_key(keyboard_, waylandTime(), code,
                                        WL_KEYBOARD_KEY_STATE_PRESSED);
            zwp_virtual_keyboard_v1_key(keyboard_, waylandTime(), code,
                                        WL_KEYBOARD_KEY_STATE_RELEASED);
        }
        connection_->flush();
    }

  private:
    static bool typeable(char32_t c) {
        return c == '\n' || c == '\t' || (c >= 0x20 && c != 0x7f && (c < 0x80 || c >= 0xa0));
    }
    static std::u32string distinct(std::u32string_view text) {
        std::u32string keys;
        for (char32_t c : text)
            if (keys.find(c) == std::u32string::npos) keys += c;
        return keys;
    }
    static bool covers(const std::u32string& keys, std::u32string_view text) {
        return !keys.empty() && std::all_of(text.begin(), text.end(), [&](char32_t c) {
            return keys.find(c) != std::u32string::npos;
        });
    }
    void upload(const Keymap& keymap, std::u32string keys) {
        zwp_virtual_keyboard_v1_keymap(keyboard_, WL_KEYBOARD_KEYMAP_FORMAT_XKB_V1, keymap.fd.get(),
                                       keymap.size);
        typing_ = std::move(keys);
    }

    uint32_t modifierMask(int code) const {
        switch (code) {
            case KEY_LEFTSHIFT:
                return keymap_.shift;
            case KEY_LEFTCTRL:
                return keymap_.ctrl;
            case KEY_LEFTALT:
                return keymap_.alt;
            case KEY_LEFTMETA:
                return keymap_.super;
            default:
                return 0;
        }
    }

    std::shared_ptr<WaylandConnection> connection_;
    zwp_virtual_keyboard_v1* keyboard_;
    Keymap keymap_;
    uint32_t modifiers_ = 0;
    std::u32string typing_;  // the characters of the text keymap in use; empty: US
};

class WlrPointer : public EventSink {
  public:
    WlrPointer(std::shared_ptr<WaylandConnection> c, zwlr_virtual_pointer_v1* p)
        : connection_(std::move(c)), pointer_(p) {}
    ~WlrPointer() override {
        zwlr_virtual_pointer_v1_destroy(pointer_);
        connection_->flush();
    }
    WlrPointer(const WlrPointer&) = delete;
    WlrPointer& operator=(const WlrPointer&) = delete;

    void key(int code, bool down) override {
        zwlr_virtual_pointer_v1_button(
            pointer_, waylandTime(), static_cast<uint32_t>(code),
            down ? WL_POINTER_BUTTON_STATE_PRESSED : WL_POINTER_BUTTON_STATE_RELEASED);
        frame();
    }
    void motion(double dx, double dy) override {
        zwlr_virtual_pointer_v1_motion(pointer_, waylandTime(), wl_fixed_from_double(dx),
                                       wl_fixed_from_double(dy));
        frame();
    }
    // Whole notches only; the fraction stays with the caller until it adds up.
    // One frame a notch: a client takes one frame as one step, however many
    // notches it carries.
    void wheel(int32_t, int32_t notches) override {
        const int step = notches > 0 ? -1 : 1;
        for (int32_t i = 0; i < std::abs(notches); ++i) {
            zwlr_virtual_pointer_v1_axis_source(pointer_, WL_POINTER_AXIS_SOURCE_WHEEL);
            zwlr_virtual_pointer_v1_axis_discrete(pointer_, waylandTime(),
                                                  WL_POINTER_AXIS_VERTICAL_SCROLL,
                                                  wl_fixed_from_double(step * kAxisPerNotch), step);
            zwlr_virtual_pointer_v1_frame(pointer_);
        }
        connection_->flush();
    }
    // Without a notch count clients scroll by pixels (GTK: 2.5 an axis unit):
    // 33.4 units scroll as far as a notch of the wheel does.
    bool smoothScroll(int32_t right, int32_t down) override {
        zwlr_virtual_pointer_v1_axis_source(pointer_, WL_POINTER_AXIS_SOURCE_WHEEL);
        for (auto [axis, units] : {std::pair{WL_POINTER_AXIS_VERTICAL_SCROLL, down},
                                   {WL_POINTER_AXIS_HORIZONTAL_SCROLL, right}})
            if (units != 0)
                zwlr_virtual_pointer_v1_axis(pointer_, waylandTime(), axis,
                                             wl_fixed_from_double(units * kSmoothPerNotch / 120));
        frame();
        return true;
    }
    bool keepsFractions() const override { return true; }

  private:
    void frame() {
        zwlr_virtual_pointer_v1_frame(pointer_);
        connection_->flush();
    }

    std::shared_ptr<WaylandConnection> connection_;
    zwlr_virtual_pointer_v1* pointer_;
};

}  // namespace

Result<std::unique_ptr<EvdevInput>> openWlrInput(
    const std::shared_ptr<WaylandConnection>& connection) {
    auto* keyboards = static_cast<zwp_virtual_keyboard_manager_v1*>(
        connection->bind(&zwp_virtual_keyboard_manager_v1_interface, 1));
    auto* pointers = static_cast<zwlr_virtual_pointer_manager_v1*>(
        connection->bind(&zwlr_virtual_pointer_manager_v1_interface, 1));
    if (!keyboards || !pointers || !connection->seat())
        return failure("the compositor offers no virtual keyboard and pointer");
    std::optional<Keymap> keymap = usKeymap();
    if (!keymap) return failure("no XKB keymap for the virtual keyboard");
    auto* keyboard =
        zwp_virtual_keyboard_manager_v1_create_virtual_keyboard(keyboards, connection->seat());
    zwp_virtual_keyboard_v1_keymap(keyboard, WL_KEYBOARD_KEYMAP_FORMAT_XKB_V1, keymap->fd.get(),
                                   keymap->size);
    auto* pointer =
        zwlr_virtual_pointer_manager_v1_create_virtual_pointer(pointers, connection->seat());
    zwp_virtual_keyboard_manager_v1_destroy(keyboards);
    zwlr_virtual_pointer_manager_v1_destroy(pointers);
    // The compositor has the devices before the first event is sent.
    if (!connection->roundtrip()) return failure("the compositor closed the connection");
    return std::make_unique<EvdevInput>(
        std::make_unique<WlrKeyboard>(connection, keyboard, std::move(*keymap)),
        std::make_unique<WlrPointer>(connection, pointer));
}

}  // namespace tarsel
