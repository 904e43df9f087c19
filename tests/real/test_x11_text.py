"""Text sent by the phone reaches X11 applications whole and before the next key:
xterm and a VTE terminal running a line reader, and a GTK entry, under Xvfb with no
window manager (focus follows the pointer)."""
import os
import pathlib
import shutil
import subprocess
import sys

import pytest

from native_probe import Probe
from tarsel_harness import READY, Agent, Phone, require, track, wait_until
from xvfb_display import xvfb_display

READER = pathlib.Path(__file__).with_name("terminal_reader.sh")
VTE_PROBE = pathlib.Path(__file__).with_name("vte_probe.py")
FIRST, SECOND = "안녕하세요, 세계 🌏", "echo $HOME > /dev/null"


def x11_agent(display, tmp_path):
    agent = Agent(env={"DISPLAY": display, "QT_QPA_PLATFORM": "xcb", "LC_ALL": "C.UTF-8",
                       "XDG_DATA_HOME": str(tmp_path)}, backend="x11")
    agent.wait_for(READY, timeout=20)
    return agent


def start_xterm(env, out, _):
    require(shutil.which("xterm"), "xterm")
    track(subprocess.Popen(["xterm", "-geometry", "120x40+0+0", "-e", "sh", str(READER), str(out)],
                           env=env, stderr=subprocess.DEVNULL))
    return "XTerm"


def start_vte(env, out, tmp_path):
    vte = subprocess.run([sys.executable, "-c", "import gi; gi.require_version('Vte', '3.91')"],
                         capture_output=True)
    require(vte.returncode == 0, "python3-gi with VTE for GTK 4 (gir1.2-vte-3.91)")
    # An application unknown to the agent: its desktop entry makes it a terminal.
    (tmp_path / "applications").mkdir(exist_ok=True)
    (tmp_path / "applications" / "org.tarsel.VteProbe.desktop").write_text(
        "[Desktop Entry]\nType=Application\nName=VTE probe\nExec=true\n"
        "Categories=System;TerminalEmulator;\n")
    track(subprocess.Popen([sys.executable, str(VTE_PROBE), "org.tarsel.VteProbe", "sh",
                            str(READER), str(out)],
                           env=dict(env, GDK_BACKEND="x11", GSK_RENDERER="cairo",
                                    DBUS_SESSION_BUS_ADDRESS="unix:path=/dev/null"),
                           stderr=subprocess.DEVNULL))
    return "VteProbe"


def lines(path):
    return path.read_text(encoding="utf-8").split("\n")[:-1] if path.exists() else []


def wait_for_window(env, window_class):
    assert wait_until(lambda: subprocess.run(["xdotool", "search", "--class", window_class],
                                             env=env, capture_output=True).returncode == 0, 20)
    subprocess.run(["xdotool", "mousemove", "200", "200"], env=env, check=True)


@pytest.mark.parametrize("start", [start_xterm, start_vte], ids=["xterm", "vte"])
def test_text_reaches_a_terminal_in_order_and_copy_never_interrupts(start, tmp_path):
    display = xvfb_display(("Xvfb", "xdotool"), "X test tools")
    env = dict(os.environ, DISPLAY=display, LC_ALL="C.UTF-8")
    out = tmp_path / "received"
    wait_for_window(env, start(env, out, tmp_path))
    agent = x11_agent(display, tmp_path)
    # The terminal is mapped and its program reading once a line comes through.
    phone = Phone()
    for _ in range(10):
        phone.request("text", text="ready")
        phone.request("enter")
        if wait_until(lambda: "ready" in lines(out), 2):
            break
    assert "ready" in lines(out), agent.log()[-1500:]
    for text in (FIRST, SECOND):
        phone.request("text", text=text)
        phone.request("enter")
    phone.request("copy")
    phone.request("text", text="after copy")
    phone.request("enter")
    assert wait_until(lambda: "after copy" in lines(out), 10), lines(out)
    received = lines(out)
    assert received[received.index("ready") + 1:] == [FIRST, SECOND, "after copy"], received


def test_text_reaches_a_gtk_entry_before_its_enter(tmp_path):
    display = xvfb_display(("Xvfb", "xdotool"), "X test tools")
    env = {"DISPLAY": display}
    probe = Probe(env, "org.tarsel.EntryProbe", gdk="x11")
    wait_for_window(env, "EntryProbe")
    x11_agent(display, tmp_path)
    phone = Phone()
    phone.request("text", text=FIRST)
    phone.request("enter")
    probe.wait(f"ENTER {FIRST}")
