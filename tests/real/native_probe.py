"""A native GTK4 window (gtk_probe.py) that reports what reached it, on Wayland or X11."""
import os
import pathlib
import subprocess
import sys
import tempfile

from tarsel_harness import require, track, wait_until

PROBE = pathlib.Path(__file__).with_name("gtk_probe.py")


class Probe:
    """The window's lines: ACTIVE, KEY <name> [ctrl], MOTION <x> <y> <t>, CLICK, ENTER <text>."""

    def __init__(self, session, app_id, gdk="wayland"):
        gtk = subprocess.run([sys.executable, "-c", "import gi; gi.require_version('Gtk', '4.0')"],
                             capture_output=True)
        require(gtk.returncode == 0, "python3-gi with GTK 4 (gir1.2-gtk-4.0)")
        self.out = pathlib.Path(tempfile.mktemp(prefix="tarsel-probe-"))
        env = {k: v for k, v in os.environ.items() if k != "DISPLAY"}
        env.update(session, GDK_BACKEND=gdk, GSK_RENDERER="cairo",
                   DBUS_SESSION_BUS_ADDRESS="unix:path=/dev/null", XDG_RUNTIME_DIR="/tmp")
        with open(self.out, "w") as out:
            track(subprocess.Popen([sys.executable, str(PROBE), app_id], env=env, stdout=out,
                                   stderr=subprocess.DEVNULL))

    def lines(self):
        return self.out.read_text().splitlines() if self.out.exists() else []

    def wait(self, line, timeout=10):
        assert wait_until(lambda: line in self.lines(), timeout), (line, self.lines()[-4:])


def motions(lines):
    return [tuple(map(float, l.split()[1:3])) for l in lines if l.startswith("MOTION ")]
