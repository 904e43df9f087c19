"""A native GTK4 window that says what reached it, one line each: ACTIVE once it
has the keyboard, KEY <name> [ctrl], MOTION <x> <y> <seconds of CLOCK_MONOTONIC>,
CLICK <button>, and
ENTER <the entry's text> when Enter activates its entry. Its app id is argv[1].
With argv[2] "textview" the window holds a text view of 2,000 characters instead,
and ENTER gives the text of its last line as Enter reaches it; with "scroll", a
long and wide scrolled text view says SCROLLED <how far from the top> <GTK's step for
one wheel notch: the page height to the power 2/3>, in pixels, and HSCROLLED the same
from the left edge."""
import sys
import time

import gi

gi.require_version("Gtk", "4.0")
from gi.repository import Gdk, GLib, Gtk  # noqa: E402


def say(*words):
    print(*words, flush=True)


def last_line(view):
    buffer = view.get_buffer()
    end = buffer.get_end_iter()
    start = end.copy()
    start.set_line_offset(0)
    return buffer.get_text(start, end, False)


def key_pressed(view, keyval, state):
    if view and keyval == Gdk.KEY_Return:  # before the text view takes it
        say("ENTER", last_line(view))
    say("KEY", Gdk.keyval_name(keyval), "ctrl" if state & Gdk.ModifierType.CONTROL_MASK else "")


def build(app):
    win = Gtk.ApplicationWindow(application=app)
    view = None
    if sys.argv[2:] == ["textview"]:
        view = Gtk.TextView()
        view.get_buffer().set_text(("x" * 99 + "\n") * 20)
        win.set_child(view)
    elif sys.argv[2:] == ["scroll"]:
        scrolled = Gtk.ScrolledWindow(child=Gtk.TextView())
        scrolled.get_child().get_buffer().set_text(("line " * 60 + "\n") * 2000)
        for word, adjustment in (("SCROLLED", scrolled.get_vadjustment()),
                                 ("HSCROLLED", scrolled.get_hadjustment())):
            adjustment.connect("value-changed", lambda a, word=word: say(
                word, f"{a.get_value():.1f}", f"{a.get_page_size() ** (2 / 3):.1f}"))
        win.set_child(scrolled)
        win.set_default_size(1000, 700)  # where no window manager maximizes it
    else:
        entry = Gtk.Entry()
        win.set_child(entry)
        entry.connect("activate", lambda e: say("ENTER", e.get_text()))
    keys = Gtk.EventControllerKey(propagation_phase=Gtk.PropagationPhase.CAPTURE)
    keys.connect("key-pressed", lambda c, keyval, code, state: key_pressed(view, keyval, state))
    motion = Gtk.EventControllerMotion()
    for entered_or_moved in ("enter", "motion"):  # the first position comes as "enter"
        motion.connect(entered_or_moved, lambda c, x, y: say(
            "MOTION", f"{x:.1f}", f"{y:.1f}", f"{time.monotonic():.6f}"))
    click = Gtk.GestureClick(button=0, propagation_phase=Gtk.PropagationPhase.CAPTURE)
    click.connect("pressed", lambda g, n, x, y: say("CLICK", g.get_current_button()))
    for controller in (keys, motion, click):
        win.add_controller(controller)
    win.connect("notify::is-active", lambda w, _: w.is_active() and say("ACTIVE"))
    win.maximize()
    win.present()


GLib.set_prgname(sys.argv[1])  # the app id compositors report
app = Gtk.Application(application_id=sys.argv[1])
app.connect("activate", build)
app.run([])
