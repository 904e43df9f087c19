"""Native windows that report what reached them, on Wayland or X11: a GTK4 window
(gtk_probe.py), and a bare VTE terminal whose program writes each line it reads."""
import os
import pathlib
import subprocess
import sys
import tempfile
import time

import pytest

from tarsel_harness import require, track, wait_until

PROBE = pathlib.Path(__file__).with_name("gtk_probe.py")
READER = pathlib.Path(__file__).with_name("terminal_reader.sh")
VTE_PROBE = pathlib.Path(__file__).with_name("vte_probe.py")



class Probe:
    """The window's lines: ACTIVE, KEY <name> [ctrl], MOTION <x> <y> <t>, CLICK, ENTER <text>."""

    def __init__(self, session, app_id, gdk="wayland", *mode):
        gtk = subprocess.run([sys.executable, "-c", "import gi; gi.require_version('Gtk', '4.0')"],
                             capture_output=True)
        require(gtk.returncode == 0, "python3-gi with GTK 4 (gir1.2-gtk-4.0)")
        self.out = pathlib.Path(tempfile.mktemp(prefix="tarsel-probe-"))
        env = {k: v for k, v in os.environ.items() if k != "DISPLAY"}
        env.update(session, GDK_BACKEND=gdk, GSK_RENDERER="cairo",
                   DBUS_SESSION_BUS_ADDRESS="unix:path=/dev/null", XDG_RUNTIME_DIR="/tmp")
        with open(self.out, "w") as out:
            track(subprocess.Popen([sys.executable, str(PROBE), app_id, *mode], env=env, stdout=out,
                                   stderr=subprocess.DEVNULL))

    def lines(self):
        return self.out.read_text().splitlines() if self.out.exists() else []

    def entered(self):
        return [l[6:] for l in self.lines() if l.startswith("ENTER ")]

    def wait(self, line, timeout=10):
        assert wait_until(lambda: line in self.lines(), timeout), (line, self.lines()[-4:])


def motions(lines):
    return [tuple(map(float, l.split()[1:3])) for l in lines if l.startswith("MOTION ")]


def settled_motion(probe, quiet=0.3, within=3):
    """The pointer's last position once no motion has come for `quiet` seconds:
    one move can reach the window as several motions."""
    last, deadline = motions(probe.lines())[-1], time.monotonic() + within
    while time.monotonic() < deadline:
        time.sleep(quiet)
        now = motions(probe.lines())[-1]
        if now == last:
            break
        last = now
    return last


def reader(out):
    """The line reader into `out`, after a first line START."""
    return ["sh", "-c", f'echo START >> "{out}"; exec sh "{READER}" "{out}"']


def pointer_into(phone, probe):
    """Moves until the window sees the pointer, then well inside it (its first sight
    of the pointer can be at its edge, over the title bar)."""
    for _ in range(5):
        phone.request("move", dx=60, dy=40)
        if wait_until(lambda: motions(probe.lines()), 2):
            seen = len(motions(probe.lines()))
            phone.request("move", dx=60, dy=60)
            assert wait_until(lambda: len(motions(probe.lines())) > seen, 2), probe.lines()[-3:]
            return
    raise AssertionError(f"the pointer never reached the window: {probe.lines()[-3:]}")


def scroll_positions(probe, word="SCROLLED"):
    return [tuple(map(float, l.split()[1:])) for l in probe.lines() if l.startswith(word + " ")]


def check_scroll(probe, send, notches, word="SCROLLED", per_notch=None):
    """`send` scrolls the probe's view by `notches` of GTK's own wheel step (within 10 %),
    or of `per_notch` pixels where given."""
    scrolled = lambda: scroll_positions(probe, word)
    before = scrolled()[-1][0] if scrolled() else 0.0
    send()
    assert wait_until(lambda: scrolled() and scrolled()[-1][0] != before, 5), probe.lines()[-3:]
    time.sleep(0.5)  # the rest of the steps
    value, step = scrolled()[-1]
    assert value - before == pytest.approx(notches * (per_notch or step), rel=0.1), (
        notches, scrolled())


def check_wheel_steps(phone, probe):
    """One notch scrolls the probe's view by GTK's own wheel step, six notches six steps."""
    for notches in (1, 6):  # 10 pixels a notch, downwards
        check_scroll(probe, lambda: phone.request("scroll", dy=-20 * notches), notches)


def check_smooth_scroll(phone, probe, sideways_per_notch=None):
    """The touchpad's scroll: a notch is a wheel step (sideways: `sideways_per_notch`
    pixels where the desktop scrolls by pixels), and two halves make one."""
    check_scroll(probe, lambda: phone.request("smooth_scroll", y=1.0), 1)
    check_scroll(probe, lambda: phone.request("smooth_scroll", x=2.0), 2, "HSCROLLED",
                 sideways_per_notch)

    def halves():
        phone.request("smooth_scroll", y=0.5)
        phone.request("smooth_scroll", y=0.5)
    check_scroll(probe, halves, 1)


def start_vte(env, out, tmp_path, gdk):
    """A bare VTE terminal running the line reader into `out`, known as a terminal
    only by its desktop entry under `tmp_path` (the agent's XDG_DATA_HOME)."""
    vte = subprocess.run([sys.executable, "-c", "import gi; gi.require_version('Vte', '3.91')"],
                         capture_output=True)
    require(vte.returncode == 0, "python3-gi with VTE for GTK 4 (gir1.2-vte-3.91)")
    # An application unknown to the agent: its desktop entry makes it a terminal.
    (tmp_path / "applications").mkdir(exist_ok=True)
    (tmp_path / "applications" / "org.tarsel.VteProbe.desktop").write_text(
        "[Desktop Entry]\nType=Application\nName=VTE probe\nExec=true\n"
        "Categories=System;TerminalEmulator;\n")
    track(subprocess.Popen([sys.executable, str(VTE_PROBE), "org.tarsel.VteProbe", *reader(out)],
                           env=dict(env, GDK_BACKEND=gdk, GSK_RENDERER="cairo",
                                    DBUS_SESSION_BUS_ADDRESS="unix:path=/dev/null"),
                           stderr=subprocess.DEVNULL))
    return "VteProbe"


def lines(path):
    return path.read_text(encoding="utf-8").split("\n")[:-1] if path.exists() else []


def wait_until_reading(phone, out):
    """Types "ready" and Enter until the terminal's program has read it."""
    for _ in range(10):
        phone.request("text", text="ready")
        phone.request("enter")
        if wait_until(lambda: "ready" in lines(out), 2):
            return
    raise AssertionError(f"the terminal never read a line: {lines(out)}")
