#pragma once
// Desktop facts and actions of an EWMH window manager: the front-most
// application and the "show desktop" mode.
#include <X11/Xlib.h>

#include <memory>
#include <mutex>
#include <optional>
#include <string>

namespace tarsel {

class X11Desktop {
  public:
    static std::unique_ptr<X11Desktop> open();  // null without a display
    ~X11Desktop();

    // The active (else the focused) window's desktop-file id where it names
    // one, else the class of its WM_CLASS; "" when there is none.
    std::string frontmostApplicationId();
    void toggleShowingDesktop();

  private:
    explicit X11Desktop(Display* display) : display_(display) {}
    std::optional<std::string> stringProperty(Window window, const char* name);
    Window focusedTopLevel();
    std::optional<unsigned long> cardinalProperty(Window window, const char* name, Atom type);

    Display* display_;
    std::mutex mutex_;
};

}  // namespace tarsel
