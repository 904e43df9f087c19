#include "platform/linux/UinputDevices.h"

#include <libevdev/libevdev-uinput.h>
#include <libevdev/libevdev.h>
#include <linux/input.h>

#include <cstring>
#include <string>

namespace tarsel {
namespace {

struct DeviceFree {
    void operator()(libevdev* d) const { libevdev_free(d); }
};
using Device = std::unique_ptr<libevdev, DeviceFree>;

// One uinput device, destroyed with the sink. Each change is a frame of its
// own, as a real device reports it.
class UinputSink : public EventSink {
  public:
    explicit UinputSink(libevdev_uinput* device) : device_(device) {}
    ~UinputSink() override { libevdev_uinput_destroy(device_); }
    UinputSink(const UinputSink&) = delete;
    UinputSink& operator=(const UinputSink&) = delete;

    void key(int code, bool down) override {
        emit(EV_KEY, code, down ? 1 : 0);
        frame();
    }
    void motion(double dx, double dy) override {
        if (dx != 0) emit(EV_REL, REL_X, static_cast<int32_t>(dx));
        if (dy != 0) emit(EV_REL, REL_Y, static_cast<int32_t>(dy));
        frame();
    }
    // Readers that know high resolution use it; the others count whole notches.
    void wheel(int32_t units, int32_t notches) override {
        emit(EV_REL, REL_WHEEL_HI_RES, units);
        if (notches != 0) emit(EV_REL, REL_WHEEL, notches);
        frame();
    }
    void hwheel(int32_t units, int32_t notches) override {
        emit(EV_REL, REL_HWHEEL_HI_RES, units);
        if (notches != 0) emit(EV_REL, REL_HWHEEL, notches);
        frame();
    }

  private:
    void emit(unsigned type, int code, int32_t value) {
        libevdev_uinput_write_event(device_, type, static_cast<unsigned>(code), value);
    }
    void frame() { emit(EV_SYN, SYN_REPORT, 0); }

    libevdev_uinput* device_;
};

Device describeKeyboard() {
    Device d(libevdev_new());
    libevdev_set_name(d.get(), "Tarsel virtual keyboard");
    libevdev_enable_event_type(d.get(), EV_KEY);
    for (unsigned code = KEY_ESC; code <= KEY_MICMUTE; ++code)
        libevdev_enable_event_code(d.get(), EV_KEY, code, nullptr);
    return d;
}

Device describePointer() {
    Device d(libevdev_new());
    libevdev_set_name(d.get(), "Tarsel virtual pointer");
    libevdev_enable_property(d.get(), INPUT_PROP_POINTER);
    libevdev_enable_event_type(d.get(), EV_KEY);
    for (unsigned code = BTN_LEFT; code <= BTN_TASK; ++code)
        libevdev_enable_event_code(d.get(), EV_KEY, code, nullptr);
    libevdev_enable_event_type(d.get(), EV_REL);
    for (unsigned code : {REL_X, REL_Y, REL_WHEEL, REL_HWHEEL, REL_WHEEL_HI_RES, REL_HWHEEL_HI_RES})
        libevdev_enable_event_code(d.get(), EV_REL, code, nullptr);
    return d;
}

Result<std::unique_ptr<EventSink>> create(const Device& description) {
    libevdev_set_id_bustype(description.get(), BUS_VIRTUAL);
    libevdev_uinput* device = nullptr;
    const int rc = libevdev_uinput_create_from_device(description.get(),
                                                      LIBEVDEV_UINPUT_OPEN_MANAGED, &device);
    if (rc != 0) return failure(std::string("/dev/uinput: ") + std::strerror(-rc));
    return std::make_unique<UinputSink>(device);
}

}  // namespace

Result<std::unique_ptr<EvdevInput>> openUinput() {
    auto keyboard = create(describeKeyboard());
    if (!keyboard) return failure(keyboard.error());
    auto pointer = create(describePointer());
    if (!pointer) return failure(pointer.error());
    return std::make_unique<EvdevInput>(std::move(*keyboard), std::move(*pointer));
}

}  // namespace tarsel
