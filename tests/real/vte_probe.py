"""A bare VTE terminal widget (GTK 4) running argv[2:]; its app id is argv[1]."""
import sys

import gi

gi.require_version("Gtk", "4.0")
gi.require_version("Vte", "3.91")
from gi.repository import GLib, Gtk, Vte  # noqa: E402


def build(app):
    win = Gtk.ApplicationWindow(application=app)
    terminal = Vte.Terminal()
    win.set_child(terminal)
    terminal.spawn_async(Vte.PtyFlags.DEFAULT, None, sys.argv[2:], None, GLib.SpawnFlags.DEFAULT,
                         None, None, -1, None, None, None)
    win.present()


GLib.set_prgname(sys.argv[1])
app = Gtk.Application(application_id=sys.argv[1])
app.connect("activate", build)
app.run([])
