#include "platform/linux/X11Desktop.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>

namespace tarsel {
namespace {

// A window can vanish between two requests; Xlib's default handler would end
// the process for the resulting BadWindow.
int ignoreXError(Display*, XErrorEvent*) {
    return 0;
}

std::string withoutDesktopSuffix(std::string id) {
    constexpr std::string_view suffix = ".desktop";
    if (id.size() > suffix.size() && id.ends_with(suffix)) id.resize(id.size() - suffix.size());
    return id;
}

}  // namespace

std::unique_ptr<X11Desktop> X11Desktop::open() {
    Display* display = XOpenDisplay(nullptr);
    if (!display) return nullptr;
    XSetErrorHandler(ignoreXError);
    return std::unique_ptr<X11Desktop>(new X11Desktop(display));
}

X11Desktop::~X11Desktop() {
    XCloseDisplay(display_);
}

std::optional<std::string> X11Desktop::stringProperty(Window window, const char* name) {
    Atom atom = XInternAtom(display_, name, True);
    if (atom == None) return std::nullopt;
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(display_, window, atom, 0, 1024, False, AnyPropertyType, &type, &format,
                           &count, &after, &data) != Success)
        return std::nullopt;
    std::optional<std::string> out;
    if (data && format == 8 && count > 0) out = std::string(reinterpret_cast<char*>(data), count);
    if (data) XFree(data);
    return out;
}

std::optional<unsigned long> X11Desktop::cardinalProperty(Window window, const char* name,
                                                          Atom wantedType) {
    Atom atom = XInternAtom(display_, name, True);
    if (atom == None) return std::nullopt;
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(display_, window, atom, 0, 1, False, wantedType, &type, &format, &count,
                           &after, &data) != Success)
        return std::nullopt;
    std::optional<unsigned long> out;
    if (data && format == 32 && count == 1) out = *reinterpret_cast<unsigned long*>(data);
    if (data) XFree(data);
    return out;
}

// Without a window manager's word, the window with the keyboard focus: the
// one under the pointer where focus follows it.
Window X11Desktop::focusedTopLevel() {
    Window focus = None;
    int revert = 0;
    XGetInputFocus(display_, &focus, &revert);
    const Window root = DefaultRootWindow(display_);
    if (focus == PointerRoot) {
        Window rootReturn = None, child = None;
        int rx = 0, ry = 0, wx = 0, wy = 0;
        unsigned int mask = 0;
        XQueryPointer(display_, root, &rootReturn, &child, &rx, &ry, &wx, &wy, &mask);
        return child;
    }
    // Up to the root's child: the top-level window that carries WM_CLASS.
    for (Window w = focus; w != None && w != root;) {
        Window parentRoot = None, parent = None, *children = nullptr;
        unsigned int count = 0;
        if (!XQueryTree(display_, w, &parentRoot, &parent, &children, &count)) return None;
        if (children) XFree(children);
        if (parent == root) return w;
        w = parent;
    }
    return None;
}

std::string X11Desktop::frontmostApplicationId() {
    std::lock_guard lock(mutex_);
    auto active = cardinalProperty(DefaultRootWindow(display_), "_NET_ACTIVE_WINDOW", XA_WINDOW);
    const Window window = active && *active != 0 ? *active : focusedTopLevel();
    if (window == None) return "";
    for (const char* name : {"_GTK_APPLICATION_ID", "_KDE_NET_WM_DESKTOP_FILE"}) {
        auto id = stringProperty(window, name);
        if (id && !id->empty() && id->find('\0') == std::string::npos)
            return withoutDesktopSuffix(*id);
    }
    XClassHint hint{};
    if (!XGetClassHint(display_, window, &hint)) return "";
    std::string id = hint.res_class ? hint.res_class : (hint.res_name ? hint.res_name : "");
    if (hint.res_name) XFree(hint.res_name);
    if (hint.res_class) XFree(hint.res_class);
    return id;
}

void X11Desktop::toggleShowingDesktop() {
    std::lock_guard lock(mutex_);
    const Window root = DefaultRootWindow(display_);
    const bool showing =
        cardinalProperty(root, "_NET_SHOWING_DESKTOP", XA_CARDINAL).value_or(0) != 0;
    XEvent ev{};
    ev.xclient.type = ClientMessage;
    ev.xclient.window = root;
    ev.xclient.message_type = XInternAtom(display_, "_NET_SHOWING_DESKTOP", False);
    ev.xclient.format = 32;
    ev.xclient.data.l[0] = showing ? 0 : 1;
    XSendEvent(display_, root, False, SubstructureRedirectMask | SubstructureNotifyMask, &ev);
    XFlush(display_);
}

}  // namespace tarsel
