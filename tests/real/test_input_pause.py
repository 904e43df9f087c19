"""GNOME's "Stop Screen Sharing" ends the agent's remote-desktop session. The agent
(X11 backend under Xvfb for its main loop, GNOME's input path on a private session
bus) must not reopen it by itself: input pauses, says so, and resumes only when the
user asks (tarselctl here; the tray's item calls the same resume)."""
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import pathlib

from tarsel_harness import CTL, READY, Agent, Phone, require, track, wait_until
from xvfb_display import xvfb_display

FAKE = pathlib.Path(__file__).with_name("fake_mutter.py")


def private_bus():
    folder = pathlib.Path(tempfile.mkdtemp(prefix="tarsel-bus-"))
    address = f"unix:path={folder}/bus"
    track(subprocess.Popen(["dbus-daemon", "--session", "--nofork", f"--address={address}"],
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL))
    assert wait_until(lambda: (folder / "bus").exists()), "no session bus"
    return address


class Mutter:
    def __init__(self, bus):
        self.out = pathlib.Path(tempfile.mktemp(prefix="fake-mutter-"))
        self.proc = track(subprocess.Popen(["/usr/bin/python3", str(FAKE), bus],
                                           stdout=open(self.out, "w"), stderr=subprocess.STDOUT))
        assert wait_until(lambda: "ready" in self.calls()), self.calls()

    def calls(self):
        return self.out.read_text().splitlines() if self.out.exists() else []

    def keys(self, session):
        return [c for c in self.calls() if c.startswith(f"{session} NotifyKeyboardKeycode")]

    def close(self):
        self.proc.kill()


def ctl(agent, *words):
    return subprocess.run([str(CTL), "input", *words], env=agent.env, capture_output=True,
                          text=True, timeout=10)


def test_stop_screen_sharing_pauses_input_until_the_user_resumes_it():
    require(shutil.which("dbus-daemon") and os.path.exists("/usr/bin/python3"), "dbus-daemon")
    require(subprocess.run(["/usr/bin/python3", "-c", "from gi.repository import Gio"],
                           capture_output=True).returncode == 0, "python3-gi")
    display = xvfb_display(["Xvfb"], "Xvfb")
    bus = private_bus()
    mutter = Mutter(bus)
    agent = Agent(backend="x11", env={"DISPLAY": display, "XDG_SESSION_TYPE": "wayland",
                                      "XDG_CURRENT_DESKTOP": "GNOME", "TARSEL_INPUT": "mutter",
                                      "DBUS_SESSION_BUS_ADDRESS": bus})
    agent.wait_for(READY, 20)
    assert any(l.startswith("⌨️ [Input] mutter (") for l in agent.lines()), agent.log()
    phone = Phone()
    phone.request("a")
    assert wait_until(lambda: len(mutter.keys("1")) >= 4), mutter.calls()  # warm-up + a
    assert ctl(agent).stdout == "input runs\n"

    os.kill(mutter.proc.pid, signal.SIGUSR1)  # the user's click
    agent.wait_for("input is paused until Resume Input")
    phone.request("a")
    agent.wait_for("keys and moves are dropped")
    paused = ctl(agent)
    assert (paused.returncode, paused.stdout.split(":")[0]) == (1, "input paused on the desktop")
    assert not [c for c in mutter.calls() if c.startswith("2 ")], mutter.calls()  # not reopened

    assert ctl(agent, "resume").stdout == "resuming input\n"
    agent.wait_for("input resumed: a new remote desktop session")
    phone.request("b")
    # The new session: started, its clipboard enabled, warmed up (Shift), then b (48).
    assert wait_until(lambda: "2 NotifyKeyboardKeycode 48 True" in mutter.calls()), mutter.calls()
    new = [c.split(" ", 2)[1:] for c in mutter.calls() if c.startswith("2 ")]
    assert [m for m, *_ in new[:4]] == ["created", "Start", "EnableClipboard",
                                        "NotifyKeyboardKeycode"], new
    assert ctl(agent).stdout == "input runs\n"
    assert ctl(agent, "resume").returncode == 1  # nothing to resume
    phone.close()
