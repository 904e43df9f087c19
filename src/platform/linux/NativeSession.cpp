#include "platform/linux/NativeSession.h"

#include "platform/dbus/FrontmostReports.h"
#include "platform/dbus/KwinScript.h"
#include "platform/dbus/MutterClipboard.h"
#include "platform/dbus/MutterSession.h"
#include "platform/dbus/SessionBus.h"
#include "platform/wayland/CompositorKeymap.h"
#include "platform/wayland/DataControlClipboard.h"
#include "platform/wayland/ForeignToplevels.h"
#include "platform/wayland/KwinFakeInput.h"
#include "platform/wayland/WaylandConnection.h"
#include "platform/wayland/WlrVirtualInput.h"
#include "runtime/Log.h"

namespace tarsel {

NativeSession NativeSession::probe(bool wayland) {
    NativeSession s;
    if (!wayland) return s;
    s.wayland_ = WaylandConnection::open();
    s.bus_ = SessionBus::open();
    return s;
}

void NativeSession::describe(SessionFacts& facts) const {
    facts.virtualDevices = wayland_ && wayland_->offers("zwp_virtual_keyboard_manager_v1") &&
                           wayland_->offers("zwlr_virtual_pointer_manager_v1");
    facts.fakeInput = wayland_ && wayland_->offers("org_kde_kwin_fake_input");
    facts.mutter = bus_ && bus_->hasOwner(MutterSession::kService);
}

Result<std::unique_ptr<EvdevInput>> NativeSession::openInput(InputPath path) {
    if (path == InputPath::wlroots) {
        if (!wayland_) return failure("no Wayland compositor");
        return openWlrInput(wayland_);  // types with keymaps of its own
    }
    auto input = openDesktopKeys(path);
    if (!input) return input;
    // Mutter's and KWin's keys are the desktop's: text is typed on its layout.
    if (auto keymap = wayland_ ? CompositorKeymap::open(wayland_) : nullptr)
        (*input)->setLayout([keymap] { return keymap->keys(); });
    return input;
}

Result<std::unique_ptr<EvdevInput>> NativeSession::openDesktopKeys(InputPath path) {
    if (path != InputPath::mutter) {
        if (!wayland_) return failure("no Wayland compositor");
        return openKwinInput(wayland_);
    }
    if (!bus_) return failure("no session bus");
    auto session = MutterSession::open(bus_);
    if (!session) return failure(session.error());
    mutter_ = *session;
    return mutter_->input();
}

std::unique_ptr<Clipboard> NativeSession::clipboard() {
    if (mutter_) return std::make_unique<MutterClipboard>(mutter_);
    if (wayland_) return DataControlClipboard::open(wayland_);
    return nullptr;
}

// The compositor's own list where it has one; else what the desktop reports
// (a KWin script the agent loads, GNOME's optional extension).
std::function<std::string()> NativeSession::frontmost() {
    if (auto toplevels = wayland_ ? ForeignToplevels::open(wayland_) : nullptr) {
        logLine("🪟 [Workspace] front-most application: foreign-toplevel");
        return [toplevels] { return toplevels->frontmost(); };
    }
    auto reports = bus_ ? FrontmostReports::publish(bus_) : nullptr;
    if (!reports) return nullptr;
    if (bus_->hasOwner("org.kde.KWin")) loadKwinFrontmostScript(bus_);
    logLine(
        "🪟 [Workspace] front-most application: none until the desktop reports it "
        "(KWin script, GNOME Shell extension)");
    return [reports] { return reports->frontmost(); };
}

void NativeSession::watch(const asio::any_io_executor& executor) {
    if (wayland_) wayland_->watch(executor);
    if (bus_) bus_->watch(executor);
}

std::shared_ptr<InputPause> NativeSession::pause() const {
    return mutter_;
}

void NativeSession::release() {
    if (mutter_) mutter_->stop();
}

}  // namespace tarsel
