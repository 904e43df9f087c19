"""Text sent by the phone reaches X11 applications whole and before the next key:
xterm and a VTE terminal running a line reader, and a GTK entry, under Xvfb with no
window manager (focus follows the pointer)."""
import os
import pathlib
import shutil
import subprocess
import sys
import time

import pytest

from native_probe import (READER, Probe, check_smooth_scroll, check_wheel_steps, lines,
                          pointer_into, start_vte, wait_until_reading)
from tarsel_harness import READY, Agent, Phone, require, track, wait_until
from xvfb_display import xvfb_display

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


def wait_for_window(env, window_class):
    assert wait_until(lambda: subprocess.run(["xdotool", "search", "--class", window_class],
                                             env=env, capture_output=True).returncode == 0, 20)
    subprocess.run(["xdotool", "mousemove", "200", "200"], env=env, check=True)


def start_x11_vte(env, out, tmp_path):
    return start_vte(env, out, tmp_path, "x11")


@pytest.mark.parametrize("start", [start_xterm, start_x11_vte], ids=["xterm", "vte"])
def test_text_reaches_a_terminal_in_order_and_copy_never_interrupts(start, tmp_path):
    display = xvfb_display(("Xvfb", "xdotool"), "X test tools")
    env = dict(os.environ, DISPLAY=display, LC_ALL="C.UTF-8")
    out = tmp_path / "received"
    wait_for_window(env, start(env, out, tmp_path))
    agent = x11_agent(display, tmp_path)
    # The terminal is mapped and its program reading once a line comes through.
    phone = Phone()
    wait_until_reading(phone, out)
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


def test_a_gtk4_window_pastes_the_phones_text_whoever_copied_before(tmp_path):
    # The user copies, in the GTK 4 window itself or in another client, 0 s or
    # 2 s before the phone's text: the window must paste the phone's text, the
    # first one after the agent's start included.
    display = xvfb_display(("Xvfb", "xdotool", "xclip"), "X test tools")
    env = dict(os.environ, DISPLAY=display)
    probe = Probe({"DISPLAY": display}, "org.tarsel.EntryProbe", gdk="x11")
    wait_for_window(env, "EntryProbe")
    x11_agent(display, tmp_path)
    phone = Phone()
    key = lambda *keys: subprocess.run(["xdotool", "key", "--delay", "20", *keys], env=env,
                                       check=True)

    def copy_in_window(n):
        subprocess.run(["xdotool", "type", "--delay", "5", f"old {n}"], env=env, check=True)
        key("ctrl+a", "ctrl+c", "ctrl+a", "BackSpace")

    def copy_elsewhere(n):
        xclip = subprocess.Popen(["xclip", "-selection", "clipboard"], env=env,
                                 stdin=subprocess.PIPE)  # it serves the text until replaced
        xclip.communicate(f"other {n}".encode(), timeout=10)
        assert wait_until(lambda: subprocess.run(  # its daemon owns the clipboard now
            ["xclip", "-o", "-selection", "clipboard"], env=env, capture_output=True,
            timeout=10).stdout == f"other {n}".encode(), 10)

    rounds = 0
    for copy in (copy_in_window, copy_elsewhere):
        for pause in (0, 2):
            for n in range(10 if pause == 0 else 5):
                copy(n)
                time.sleep(pause)
                phone.request("text", text=f"phone {rounds}")
                phone.request("enter")
                probe.wait(f"ENTER phone {rounds}")
                key("ctrl+a", "BackSpace")
                rounds += 1


def test_a_wheel_notch_scrolls_one_step_as_on_wayland(tmp_path):
    """XTest's wheel buttons scroll a GTK 4 view as the Wayland paths do (test_wayland.py);
    smooth scrolls go as whole steps, sideways on buttons 6 and 7, fractions kept."""
    display = xvfb_display(("Xvfb", "xdotool"), "X test tools")
    env = {"DISPLAY": display}
    probe = Probe(env, "org.tarsel.Scroll", "x11", "scroll")
    wait_for_window(env, "Scroll")
    x11_agent(display, tmp_path)
    phone = Phone()
    pointer_into(phone, probe)
    check_wheel_steps(phone, probe)
    check_smooth_scroll(phone, probe)
