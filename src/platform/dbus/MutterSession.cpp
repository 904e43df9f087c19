#include "platform/dbus/MutterSession.h"

#include <fcntl.h>
#include <linux/input-event-codes.h>

#include "platform/dbus/SessionBus.h"
#include "platform/posix/PipeWriter.h"
#include "runtime/Log.h"

namespace tarsel {
namespace {

constexpr const char* kManagerPath = "/org/gnome/Mutter/RemoteDesktop";
constexpr const char* kSessionInterface = "org.gnome.Mutter.RemoteDesktop.Session";
constexpr const char* kTextTypes[] = {"text/plain;charset=utf-8", "text/plain", "UTF8_STRING",
                                      nullptr};

MutterSession* self(void* data) {
    return static_cast<MutterSession*>(data);
}

// The clipboard is enabled with no options, a selection offered with its
// mime types: both take one a{sv}.
int appendOptions(sd_bus_message* m, bool withTypes) {
    int r = sd_bus_message_open_container(m, 'a', "{sv}");
    if (r >= 0 && withTypes) {
        r = sd_bus_message_open_container(m, 'e', "sv");
        if (r >= 0) r = sd_bus_message_append(m, "s", "mime-types");
        if (r >= 0) r = sd_bus_message_open_container(m, 'v', "as");
        if (r >= 0) r = sd_bus_message_append_strv(m, const_cast<char**>(kTextTypes));
        if (r >= 0) r = sd_bus_message_close_container(m);
        if (r >= 0) r = sd_bus_message_close_container(m);
    }
    if (r >= 0) r = sd_bus_message_close_container(m);
    return r;
}

// A session method whose one argument is options; null on failure.
sd_bus_message* optionsCall(sd_bus* bus, const std::string& path, const char* member,
                            bool withTypes) {
    sd_bus_message* m = nullptr;
    int r = sd_bus_message_new_method_call(bus, &m, MutterSession::kService, path.c_str(),
                                           kSessionInterface, member);
    if (r >= 0) r = appendOptions(m, withTypes);
    if (r >= 0) return m;
    sd_bus_message_unref(m);
    return nullptr;
}

int enableClipboard(sd_bus* bus, const std::string& path, bool wait) {
    sd_bus_message* m = optionsCall(bus, path, "EnableClipboard", false);
    if (!m) return -1;
    int r = wait ? sd_bus_call(bus, m, 0, nullptr, nullptr) : sd_bus_message_set_expect_reply(m, 0);
    if (r >= 0 && !wait) r = sd_bus_send(bus, m, nullptr);
    sd_bus_message_unref(m);
    return r;
}

Result<std::string> createSession(sd_bus* bus) {
    sd_bus_error error = SD_BUS_ERROR_NULL;
    sd_bus_message* reply = nullptr;
    const char* path = nullptr;
    int r = sd_bus_call_method(bus, MutterSession::kService, kManagerPath, MutterSession::kService,
                               "CreateSession", &error, &reply, "");
    if (r >= 0) r = sd_bus_message_read(reply, "o", &path);
    std::string result = r >= 0 ? path : "";
    const std::string why = error.message ? error.message : "no reply";
    sd_bus_message_unref(reply);
    sd_bus_error_free(&error);
    if (r < 0) return failure("Mutter's remote desktop: " + why);
    return result;
}

int startSession(sd_bus* bus, const std::string& path) {
    int r = sd_bus_call_method(bus, MutterSession::kService, path.c_str(), kSessionInterface,
                               "Start", nullptr, nullptr, "");
    if (r >= 0) r = enableClipboard(bus, path, true);
    return r;
}

class MutterSink : public EventSink {
  public:
    MutterSink(std::shared_ptr<MutterSession> s, bool keyboard)
        : session_(std::move(s)), keyboard_(keyboard) {}
    void key(int code, bool down) override {
        if (keyboard_)
            session_->notifyKey(code, down);
        else
            session_->notifyButton(code, down);
    }
    void motion(double dx, double dy) override { session_->notifyMotion(dx, dy); }
    void wheel(int32_t, int32_t notches) override {
        if (notches != 0) session_->notifyWheel(-notches);
    }
    bool smoothScroll(int32_t right, int32_t down) override {
        session_->notifySmoothScroll(right / 120.0, down / 120.0);
        return true;
    }
    bool keepsFractions() const override { return true; }

  private:
    std::shared_ptr<MutterSession> session_;
    bool keyboard_;
};

int closedSignal(sd_bus_message*, void* data, sd_bus_error*) {
    self(data)->closed();
    return 0;
}

int transferSignal(sd_bus_message* m, void* data, sd_bus_error*) {
    const char* mime = nullptr;
    uint32_t serial = 0;
    if (sd_bus_message_read(m, "su", &mime, &serial) >= 0) self(data)->transfer(serial);
    return 0;
}

}  // namespace

Result<std::shared_ptr<MutterSession>> MutterSession::open(std::shared_ptr<SessionBus> bus) {
    auto path = bus->with([](sd_bus* b) { return createSession(b); });
    if (!path) return failure(path.error());
    std::shared_ptr<MutterSession> session(new MutterSession(bus, *path));
    if (!session->subscribe() || bus->with([&](sd_bus* b) { return startSession(b, *path); }) < 0)
        return failure("Mutter's remote desktop did not start a session");
    session->warmUp();
    return session;
}

std::unique_ptr<EvdevInput> MutterSession::input() {
    return std::make_unique<EvdevInput>(std::make_unique<MutterSink>(shared_from_this(), true),
                                        std::make_unique<MutterSink>(shared_from_this(), false));
}

// Never unsubscribed: the session object lives as long as the process.
bool MutterSession::subscribe() {
    return bus_->with([this](sd_bus* b) {
        return sd_bus_match_signal(b, nullptr, nullptr, path_.c_str(), kSessionInterface, "Closed",
                                   closedSignal, this) >= 0 &&
               sd_bus_match_signal(b, nullptr, nullptr, path_.c_str(), kSessionInterface,
                                   "SelectionTransfer", transferSignal, this) >= 0;
    });
}

template <class... Args>
void MutterSession::send(const char* member, const char* types, Args... args) {
    if (paused_) {
        if (!droppedSaid_.exchange(true))
            logLine(
                "⏸️ [Input] input is paused: the phone's keys and moves are dropped until "
                "Resume Input");
        return;
    }
    bus_->with([&](sd_bus* b) {
        sd_bus_call_method_async(b, nullptr, kService, path_.c_str(), kSessionInterface, member,
                                 nullptr, nullptr, types, args...);
    });
}

void MutterSession::notifyKey(int code, bool down) {
    send("NotifyKeyboardKeycode", "ub", static_cast<uint32_t>(code), static_cast<int>(down));
}

void MutterSession::notifyButton(int code, bool down) {
    send("NotifyPointerButton", "ib", static_cast<int32_t>(code), static_cast<int>(down));
}

void MutterSession::notifyMotion(double dx, double dy) {
    send("NotifyPointerMotionRelative", "dd", dx, dy);
}

void MutterSession::notifyWheel(int32_t steps) {
    send("NotifyPointerAxisDiscrete", "ui", uint32_t{0}, steps);
}

// Mutter's axis counts 10 a step; the wheel flag keeps the desktop from adding
// kinetic scrolling of its own.
void MutterSession::notifySmoothScroll(double right, double down) {
    constexpr uint32_t kSourceWheel = 2;
    send("NotifyPointerAxis", "ddu", right * 10, down * 10, kSourceWheel);
}

// The reply tells when Mutter has handled the offer: its own clipboard
// manager reads each new selection while handling it, so only reads signalled
// after the reply are an application's.
void MutterSession::setSelection(std::function<void()> handled) {
    auto* callback = new std::function<void()>(std::move(handled));
    auto replied = [](sd_bus_message*, void* data, sd_bus_error*) {
        std::unique_ptr<std::function<void()>> done(static_cast<std::function<void()>*>(data));
        (*done)();
        return 0;
    };
    bus_->with([&](sd_bus* b) {
        sd_bus_message* m = optionsCall(b, path_, "SetSelection", true);
        if (!m || sd_bus_call_async(b, nullptr, m, replied, callback, 0) < 0) delete callback;
        sd_bus_message_unref(m);
    });
}

// Mutter answers with the pipe to write to; the write is done, and reported,
// on the bus's executor without waiting for the reader.
void MutterSession::writeSelection(uint32_t serial, std::string text, std::function<void()> taken) {
    struct Write {
        std::shared_ptr<MutterSession> session;
        uint32_t serial;
        std::string text;
        std::function<void()> taken;
    };
    auto* write = new Write{shared_from_this(), serial, std::move(text), std::move(taken)};
    auto replied = [](sd_bus_message* reply, void* data, sd_bus_error*) {
        std::unique_ptr<Write> w(static_cast<Write*>(data));
        int fd = -1;
        const bool ok = !sd_bus_message_is_method_error(reply, nullptr) &&
                        sd_bus_message_read(reply, "h", &fd) >= 0;
        UniqueFd pipe(ok ? fcntl(fd, F_DUPFD_CLOEXEC, 3) : -1);
        auto done = [session = w->session, serial = w->serial, taken = w->taken](bool written) {
            session->send("SelectionWriteDone", "ub", serial, static_cast<int>(written));
            if (taken) taken();
        };
        if (!pipe) return done(false), 0;
        writeThenClose(w->session->bus_->executor(), std::move(pipe), std::move(w->text), done);
        return 0;
    };
    bus_->with([&](sd_bus* b) {
        if (sd_bus_call_method_async(b, nullptr, kService, path_.c_str(), kSessionInterface,
                                     "SelectionWrite", replied, write, "u", serial) < 0)
            delete write;
    });
}

// Mutter adds the session's keyboard and pointer to the seat at their first
// event, which is lost: a lone Shift tap, which no application acts on, and a
// pixel's move there and back are those events.
void MutterSession::warmUp() {
    notifyKey(KEY_LEFTSHIFT, true);
    notifyKey(KEY_LEFTSHIFT, false);
    notifyMotion(1, 0);
    notifyMotion(-1, 0);
}

void MutterSession::stop() {
    bus_->with([this](sd_bus* b) {
        stopping_ = true;
        sd_bus_call_method(b, kService, path_.c_str(), kSessionInterface, "Stop", nullptr, nullptr,
                           "");
    });
}

void MutterSession::transfer(uint32_t serial) {
    if (onTransfer) onTransfer(serial);
}

// Closed by the desktop: the user stopped sharing. Reopening by ourselves
// would undo that click, so input waits for the user's resume.
void MutterSession::closed() {
    if (stopping_ || paused_.exchange(true)) return;
    droppedSaid_ = false;
    logLine(
        "⏸️ [Input] the desktop stopped the remote desktop session (Stop Screen Sharing): "
        "input "
        "is paused until Resume Input (tray menu, or tarselctl input resume)");
    if (onChange) onChange();
}

bool MutterSession::resume() {
    if (!paused_) return false;
    if (!resuming_.exchange(true)) reopen();
    return true;
}

// Without waiting on the bus's own thread: each step is the previous reply's
// callback.
void MutterSession::reopen() {
    auto created = [](sd_bus_message* reply, void* data, sd_bus_error*) {
        const char* path = nullptr;
        if (sd_bus_message_is_method_error(reply, nullptr) ||
            sd_bus_message_read(reply, "o", &path) < 0) {
            self(data)->started(false);
            return 0;
        }
        self(data)->reopened(path);
        return 0;
    };
    bus_->with([&](sd_bus* b) {
        sd_bus_call_method_async(b, nullptr, kService, kManagerPath, kService, "CreateSession",
                                 created, this, "");
    });
}

void MutterSession::reopened(const std::string& path) {
    auto startReplied = [](sd_bus_message* reply, void* data, sd_bus_error*) {
        self(data)->started(!sd_bus_message_is_method_error(reply, nullptr));
        return 0;
    };
    bus_->with([&](sd_bus* b) {
        path_ = path;
        subscribe();
        sd_bus_call_method_async(b, nullptr, kService, path_.c_str(), kSessionInterface, "Start",
                                 startReplied, this, "");
    });
}

// A new session's devices appear with their first events, which are lost:
// the warm-up goes first, as at start-up.
void MutterSession::started(bool ok) {
    resuming_ = false;
    if (!ok) {
        logLine(
            "⚠️ [Input] Mutter did not open a new remote desktop session: input stays paused");
        return;
    }
    bus_->with([this](sd_bus* b) { enableClipboard(b, path_, false); });
    paused_ = false;
    warmUp();
    logLine("▶️ [Input] input resumed: a new remote desktop session");
    if (onChange) onChange();
}

}  // namespace tarsel
