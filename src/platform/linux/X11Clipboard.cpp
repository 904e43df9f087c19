#include "platform/linux/X11Clipboard.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xlibint.h>  // the resource mask: which client a window belongs to
#undef min                // Xlibint.h defines both as macros
#undef max
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <mutex>
#include <thread>

#include "platform/posix/UniqueFd.h"

namespace tarsel {
namespace {

constexpr long kWordsPerRequestOverhead = 64;

Atom atom(Display* display, const char* name) {
    return XInternAtom(display, name, False);
}

}  // namespace

struct X11Clipboard::Owner {
    Owner(Display* d, Window w, UniqueFd fd);
    ~Owner();
    void run();
    void handle(const XEvent& event);
    void answer(const XSelectionRequestEvent& request);
    bool isText(Atom target) const;
    bool fromClipboardManager(Window requestor) const;
    void own(Atom selection);

    struct Atoms {
        Atom clipboard, primary, manager, targets, utf8, text, plain, plainUtf8, atom;
    };
    Display* display_;
    Window window_;
    Atoms atoms_{};
    UniqueFd wake_;  // an eventfd that ends the thread
    std::mutex mutex_;
    std::string text_;
    bool ownsClipboard_ = false;
    bool ownsPrimary_ = false;
    std::function<void()> onRead_;
    std::thread thread_;
};

std::unique_ptr<X11Clipboard> X11Clipboard::open() {
    Display* display = XOpenDisplay(nullptr);
    if (!display) return nullptr;
    const Window window =
        XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 1, 1, 0, 0, 0);
    auto owner =
        std::make_unique<Owner>(display, window, UniqueFd(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)));
    owner->thread_ = std::thread([raw = owner.get()] { raw->run(); });
    return std::unique_ptr<X11Clipboard>(new X11Clipboard(std::move(owner)));
}

X11Clipboard::X11Clipboard(std::unique_ptr<Owner> owner) : owner_(std::move(owner)) {}
X11Clipboard::~X11Clipboard() = default;

X11Clipboard::Owner::Owner(Display* display, Window window, UniqueFd wake)
    : display_(display), window_(window), wake_(std::move(wake)) {
    atoms_ = {atom(display, "CLIPBOARD"),
              XA_PRIMARY,
              atom(display, "CLIPBOARD_MANAGER"),
              atom(display, "TARGETS"),
              atom(display, "UTF8_STRING"),
              atom(display, "TEXT"),
              atom(display, "text/plain"),
              atom(display, "text/plain;charset=utf-8"),
              XA_ATOM};
}

X11Clipboard::Owner::~Owner() {
    const uint64_t one = 1;
    if (write(wake_.get(), &one, sizeof one) < 0) {
        // The thread cannot be told: it is left to the process's end.
        thread_.detach();
    } else if (thread_.joinable()) {
        thread_.join();
    }
    XDestroyWindow(display_, window_);
    XCloseDisplay(display_);
}

// A round trip: the server has made this window the owner (and told the one
// before) before the paste chord, sent on another connection, can reach an
// application, which would otherwise paste what the previous owner holds.
void X11Clipboard::Owner::own(Atom selection) {
    XSetSelectionOwner(display_, selection, window_, CurrentTime);
    XSync(display_, False);
}

void X11Clipboard::setText(const std::string& utf8) {
    Owner& o = *owner_;
    std::lock_guard lock(o.mutex_);
    o.text_ = utf8;
    o.ownsClipboard_ = true;
    o.ownsPrimary_ = false;
    o.own(o.atoms_.clipboard);
}

bool X11Clipboard::setTextAndPrimary(const std::string& utf8) {
    Owner& o = *owner_;
    std::lock_guard lock(o.mutex_);
    o.text_ = utf8;
    o.ownsClipboard_ = o.ownsPrimary_ = true;
    o.own(o.atoms_.clipboard);
    o.own(o.atoms_.primary);
    return true;
}

std::string X11Clipboard::text() {
    std::lock_guard lock(owner_->mutex_);
    return owner_->ownsClipboard_ ? owner_->text_ : "";
}

void X11Clipboard::onNextRead(std::function<void()> done) {
    std::lock_guard lock(owner_->mutex_);
    owner_->onRead_ = std::move(done);
}

// Waits on the connection and the wake-up, never inside Xlib, so the main
// thread's requests on the same connection are never held up.
void X11Clipboard::Owner::run() {
    std::array<pollfd, 2> fds{{{ConnectionNumber(display_), POLLIN, 0}, {wake_.get(), POLLIN, 0}}};
    for (;;) {
        while (XPending(display_) > 0) {
            XEvent event;
            XNextEvent(display_, &event);
            handle(event);
        }
        if (poll(fds.data(), fds.size(), -1) < 0 && errno != EINTR) return;
        if (fds[1].revents != 0) return;
    }
}

void X11Clipboard::Owner::handle(const XEvent& event) {
    if (event.type == SelectionClear) {
        std::lock_guard lock(mutex_);  // another program copied or selected something
        (event.xselectionclear.selection == atoms_.primary ? ownsPrimary_ : ownsClipboard_) = false;
    } else if (event.type == SelectionRequest) {
        answer(event.xselectionrequest);
    }
}

bool X11Clipboard::Owner::isText(Atom target) const {
    return target == atoms_.utf8 || target == atoms_.text || target == atoms_.plain ||
           target == atoms_.plainUtf8;
}

// Clipboard managers copy every new selection at once: their read is not the
// paste. A window's client is the part of its id outside the resource mask.
bool X11Clipboard::Owner::fromClipboardManager(Window requestor) const {
    const Window manager = XGetSelectionOwner(display_, atoms_.manager);
    const XID client = ~display_->resource_mask;
    return manager != None && (manager & client) == (requestor & client);
}

// The requested form goes into the requestor's property, and a
// SelectionNotify tells it so (property None: refused).
void X11Clipboard::Owner::answer(const XSelectionRequestEvent& request) {
    XSelectionEvent reply{};
    reply.type = SelectionNotify;
    reply.requestor = request.requestor;
    reply.selection = request.selection;
    reply.target = request.target;
    reply.time = request.time;
    const Atom property = request.property != None ? request.property : request.target;
    std::function<void()> read;
    {
        std::lock_guard lock(mutex_);
        const long limit =
            (XExtendedMaxRequestSize(display_) > 0 ? XExtendedMaxRequestSize(display_)
                                                   : XMaxRequestSize(display_)) -
            kWordsPerRequestOverhead;
        if (request.target == atoms_.targets) {
            // UTF-8 only: STRING would have to be Latin-1.
            const Atom targets[] = {atoms_.targets, atoms_.utf8, atoms_.plainUtf8, atoms_.plain,
                                    atoms_.text};
            XChangeProperty(display_, request.requestor, property, atoms_.atom, 32, PropModeReplace,
                            reinterpret_cast<const unsigned char*>(targets),
                            static_cast<int>(std::size(targets)));
            reply.property = property;
        } else if ((request.selection == atoms_.primary ? ownsPrimary_ : ownsClipboard_) &&
                   isText(request.target) && static_cast<long>(text_.size()) < limit * 4) {
            const Atom type = request.target == atoms_.text ? atoms_.utf8 : request.target;
            XChangeProperty(display_, request.requestor, property, type, 8, PropModeReplace,
                            reinterpret_cast<const unsigned char*>(text_.data()),
                            static_cast<int>(text_.size()));
            reply.property = property;
            if (!fromClipboardManager(request.requestor)) read = std::exchange(onRead_, nullptr);
        } else {
            reply.property = None;
        }
        XSendEvent(display_, request.requestor, False, NoEventMask,
                   reinterpret_cast<XEvent*>(&reply));
        XFlush(display_);
    }
    if (read) read();
}

}  // namespace tarsel
