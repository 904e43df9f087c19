"""The real X11 backend under Xvfb: XTest events observed by xev, the
clipboard read back with xclip."""
import os
import re
import shutil
import pathlib
import subprocess
import sys
import time

import pytest

from xvfb_display import xvfb_display
from tarsel_harness import CTL, PIN, READY, Agent, Phone, require, track, wait_until

MANAGER = pathlib.Path(__file__).with_name("clipboard_manager.py")


class Xev:
    """An xev window under the pointer: with no window manager the keyboard
    focus follows the pointer, so it sees every key and button."""

    def __init__(self, env, tmp_path):
        self.path = tmp_path / "xev.log"
        self.out = open(self.path, "w")
        self.proc = track(subprocess.Popen(["xev", "-geometry", "600x500+0+0", "-event",
                                            "keyboard", "-event", "button", "-event", "mouse"],
                                           stdout=self.out, env=env))

    def text(self):
        return self.path.read_text(errors="replace")

    def keys(self):
        """(event, state, keysym name) of every key event so far."""
        pattern = re.compile(r"(KeyPress|KeyRelease) event.*?state (0x[0-9a-f]+), keycode \d+ "
                             r"\(keysym 0x[0-9a-f]+, (\w+)\)", re.S)
        return [(m[0], int(m[1], 16), m[2]) for m in pattern.findall(self.text())]

    def presses(self):
        """(X server time in ms, keysym name) of every key press so far."""
        pattern = re.compile(r"KeyPress event.*?time (\d+),.*?\(keysym 0x[0-9a-f]+, (\w+)\)", re.S)
        return [(int(m[0]), m[1]) for m in pattern.findall(self.text())]

    def buttons(self):
        return re.findall(r"(ButtonPress|ButtonRelease) event.*?button (\d+)", self.text(), re.S)


@pytest.fixture
def desktop(tmp_path):
    display = xvfb_display(("Xvfb", "xev", "xdotool", "xclip"), "X test tools")
    env = dict(os.environ, DISPLAY=display)
    xev = Xev(env, tmp_path)
    assert wait_until(lambda: "MapNotify" in xev.text() or xev.proc.poll() is not None or
                      subprocess.run(["xdotool", "search", "--name", "Event Tester"], env=env,
                                     capture_output=True).returncode == 0)
    subprocess.run(["xdotool", "mousemove", "100", "100"], env=env, check=True)
    agent = Agent(env={"DISPLAY": display, "QT_QPA_PLATFORM": "xcb"}, backend="x11")
    agent.wait_for(READY, timeout=20)
    assert "✅ 손쉬운 사용 권한: 부여됨" in agent.lines()  # a display with XTest
    return env, xev, agent


def pointer(env):
    out = subprocess.run(["xdotool", "getmouselocation"], env=env, capture_output=True,
                         text=True).stdout
    return tuple(int(v) for v in re.findall(r"[xy]:(\d+)", out))


def ctl(*args):
    return subprocess.run([str(CTL), *args], capture_output=True, text=True, timeout=10)


SHIFT, CONTROL = 0x1, 0x4


def test_combinations_arrive_with_modifiers_in_the_current_layout(desktop):
    env, xev, _ = desktop
    assert ctl("send", "127.0.0.1", "--pin", PIN, "cmd+shift+a").returncode == 0
    presses = wait_until(lambda: [k for k in xev.keys() if k[2] == "A"])
    assert presses and presses[0][0] == "KeyPress", xev.text()[-2000:]
    assert presses[0][1] & (SHIFT | CONTROL) == SHIFT | CONTROL  # Command became Control
    # Every key, modifiers included, is released again.
    assert wait_until(lambda: [k[0] for k in xev.keys()].count("KeyRelease") == 3)
    assert sorted(k[2] for k in xev.keys()) == ["A", "A", "Control_L", "Control_L", "Shift_L",
                                                "Shift_L"]
    # A layout changed after the agent connected: it must notice.
    require(shutil.which("setxkbmap"), "setxkbmap (x11-xkb-utils)")
    subprocess.run(["setxkbmap", "de"], env=env, check=True)
    assert ctl("send", "127.0.0.1", "--pin", PIN, "cmd+z").returncode == 0
    presses = wait_until(lambda: [k for k in xev.keys() if k[0] == "KeyPress" and k[2] in "yz"])
    assert presses and presses[0][2] == "z" and presses[0][1] & CONTROL, xev.text()[-2000:]


def test_pointer_moves_by_the_scaled_amount_and_clicks(desktop):
    env, xev, _ = desktop
    phone = Phone()
    phone.request("move", dx=10, dy=-4)
    assert wait_until(lambda: pointer(env) == (115, 94)), pointer(env)
    phone.request("move", dx=1, dy=1)   # 1.5 px: the half pixel is kept...
    phone.request("move", dx=1, dy=1)   # ...and the second move makes it whole
    assert wait_until(lambda: pointer(env) == (118, 97)), pointer(env)
    phone.request("click")
    phone.request("right_click")
    assert wait_until(lambda: len(xev.buttons()) >= 4), xev.text()[-2000:]
    assert xev.buttons()[:4] == [("ButtonPress", "1"), ("ButtonRelease", "1"),
                                 ("ButtonPress", "3"), ("ButtonRelease", "3")]
    phone.request("move", dx=2**63 - 1, dy=-2**63)  # stops at the screen's edge
    assert wait_until(lambda: pointer(env) == (1023, 0)), pointer(env)
    phone.request("move", dx=-2, dy=2)
    assert wait_until(lambda: pointer(env) == (1020, 3)), pointer(env)
    # The user's own mouse moves the pointer between two phone moves: the next
    # one starts from there (the agent re-reads the pointer after 50 ms).
    subprocess.run(["xdotool", "mousemove", "300", "300"], env=env, check=True)
    time.sleep(0.1)
    phone.request("move", dx=2, dy=2)
    assert wait_until(lambda: pointer(env) == (303, 303)), pointer(env)


def test_text_is_left_on_the_clipboard_and_pasted(desktop):
    env, xev, _ = desktop
    text = "안녕하세요, 세계 🌏"
    assert ctl("text", "127.0.0.1", "--pin", PIN, text).returncode == 0

    def clipboard():
        r = subprocess.run(["xclip", "-o", "-selection", "clipboard"], env=env,
                           capture_output=True, timeout=5)
        return r.stdout.decode("utf-8", "replace") if r.returncode == 0 else ""

    assert wait_until(lambda: clipboard() == text), clipboard()
    pastes = wait_until(lambda: [k for k in xev.keys() if k[2] == "v" and k[0] == "KeyPress"])
    assert pastes and pastes[0][1] & CONTROL


def test_a_clipboard_managers_read_is_not_the_paste(desktop, tmp_path):
    """xev never reads the clipboard, so the key after a text waits the paste's
    whole 0.5 s limit, although the clipboard manager read the text at once."""
    env, xev, _ = desktop
    out = tmp_path / "manager"
    with open(out, "w") as f:
        track(subprocess.Popen([sys.executable, str(MANAGER)], env=env, stdout=f))
    assert wait_until(lambda: "READY" in out.read_text())
    phone = Phone()
    phone.request("text", text="managed")
    phone.request("enter")
    assert wait_until(lambda: "Return" in [name for _, name in xev.presses()]), xev.text()[-800:]
    assert "READ managed" in out.read_text().splitlines()
    pressed = dict((name, t) for t, name in reversed(xev.presses()))
    assert pressed["Return"] - pressed["v"] >= 400, xev.presses()


def test_a_display_without_xtest_is_not_trusted():
    display = xvfb_display(("Xvfb",), "Xvfb", ["-extension", "XTEST"])
    agent = Agent(env={"DISPLAY": display, "QT_QPA_PLATFORM": "offscreen"},
                  backend="x11")
    agent.wait_for(READY, timeout=20)
    assert "⚠️  ===== 키보드·마우스 제어를 사용할 수 없습니다 =====" in agent.lines()
