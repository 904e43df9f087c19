#include "platform/wayland/KwinFakeInput.h"

#include <wayland-client.h>

#include "fake-input.h"
#include "platform/wayland/WaylandConnection.h"

namespace tarsel {
namespace {

// Fake input carries no notch count, so clients take the wheel as a smooth
// scroll of this many pixels: the distance a notch scrolls elsewhere (a GTK 4
// window scrolls 83.5 px a notch on Mutter, 37.5 px for KWin's own 15).
constexpr double kAxisPerNotch = 33.4;
constexpr uint32_t kKeyboardKeysSince = 4;

// The one fake-input object, shared by the keyboard and the pointer side.
struct FakeInput {
    FakeInput(std::shared_ptr<WaylandConnection> c, org_kde_kwin_fake_input* f)
        : connection(std::move(c)), input(f) {}
    ~FakeInput() {
        org_kde_kwin_fake_input_destroy(input);
        connection->flush();
    }
    FakeInput(const FakeInput&) = delete;
    FakeInput& operator=(const FakeInput&) = delete;

    std::shared_ptr<WaylandConnection> connection;
    org_kde_kwin_fake_input* input;
};

class KwinSink : public EventSink {
  public:
    KwinSink(std::shared_ptr<FakeInput> f, bool keyboard)
        : fake_(std::move(f)), keyboard_(keyboard) {}

    void key(int code, bool down) override {
        const auto state = down ? WL_KEYBOARD_KEY_STATE_PRESSED : WL_KEYBOARD_KEY_STATE_RELEASED;
        if (keyboard_)
            org_kde_kwin_fake_input_keyboard_key(fake_->input, static_cast<uint32_t>(code), state);
        else
            org_kde_kwin_fake_input_button(fake_->input, static_cast<uint32_t>(code), state);
        fake_->connection->flush();
    }
    void motion(double dx, double dy) override {
        org_kde_kwin_fake_input_pointer_motion(fake_->input, wl_fixed_from_double(dx),
                                               wl_fixed_from_double(dy));
        fake_->connection->flush();
    }
    void wheel(int32_t, int32_t notches) override {
        if (notches == 0) return;
        org_kde_kwin_fake_input_axis(fake_->input, WL_POINTER_AXIS_VERTICAL_SCROLL,
                                     wl_fixed_from_double(-notches * kAxisPerNotch));
        fake_->connection->flush();
    }
    bool smoothScroll(int32_t right, int32_t down) override {
        for (auto [axis, units] : {std::pair{WL_POINTER_AXIS_VERTICAL_SCROLL, down},
                                   {WL_POINTER_AXIS_HORIZONTAL_SCROLL, right}})
            if (units != 0)
                org_kde_kwin_fake_input_axis(fake_->input, axis,
                                             wl_fixed_from_double(units * kAxisPerNotch / 120));
        fake_->connection->flush();
        return true;
    }

  private:
    std::shared_ptr<FakeInput> fake_;
    bool keyboard_;
};

}  // namespace

Result<std::unique_ptr<EvdevInput>> openKwinInput(
    const std::shared_ptr<WaylandConnection>& connection) {
    auto* input = static_cast<org_kde_kwin_fake_input*>(
        connection->bind(&org_kde_kwin_fake_input_interface, kKeyboardKeysSince));
    if (!input) return failure("KWin does not offer fake input to this program");
    if (wl_proxy_get_version(reinterpret_cast<wl_proxy*>(input)) < kKeyboardKeysSince) {
        org_kde_kwin_fake_input_destroy(input);
        return failure("KWin's fake input is too old for keys");
    }
    org_kde_kwin_fake_input_authenticate(input, "Tarsel", "Keyboard and mouse from your phone");
    if (!connection->roundtrip()) return failure("KWin closed the connection");
    auto fake = std::make_shared<FakeInput>(connection, input);
    return std::make_unique<EvdevInput>(std::make_unique<KwinSink>(fake, true),
                                        std::make_unique<KwinSink>(fake, false));
}

}  // namespace tarsel
