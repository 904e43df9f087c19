"""A Wayland session without XWayland: sway's headless compositor, the agent
choosing uinput (and saying why), and pasted text landing on the Wayland
clipboard, read back by a native Wayland client (wl-paste)."""
import os
import pathlib
import shutil
import subprocess
import tempfile

from tarsel_harness import READY, Agent, Phone, require, track, wait_until

WAYLAND_LINE = "⌨️ [Input] uinput (Wayland session: XTest would reach only XWayland windows)"


def sway_session():
    """The session variables of a fresh headless sway, ended after the test."""
    require(all(map(shutil.which, ("sway", "wl-paste", "setpriv"))), "sway, wl-clipboard, setpriv")
    runtime = pathlib.Path(tempfile.mkdtemp(prefix="tarsel-wayland-"))
    shutil.chown(runtime, "nobody", "nogroup")  # sway refuses to run as root
    env = dict(os.environ, XDG_RUNTIME_DIR=str(runtime), WLR_BACKENDS="headless",
               WLR_LIBINPUT_NO_DEVICES="1", WLR_RENDERER="pixman", HOME=str(runtime))
    env.pop("DISPLAY", None)
    track(subprocess.Popen(["setpriv", "--reuid=nobody", "--regid=nogroup", "--clear-groups",
                            "sway", "-c", "/dev/null"], env=env, cwd=runtime,
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL))
    sockets = wait_until(lambda: sorted(runtime.glob("wayland-[0-9]")))
    assert sockets, "sway never opened its Wayland socket"
    return {"XDG_RUNTIME_DIR": str(runtime), "WAYLAND_DISPLAY": sockets[0].name,
            "XDG_SESSION_TYPE": "wayland"}


def test_text_reaches_the_wayland_clipboard_and_the_input_path_is_explained():
    session = sway_session()
    a = Agent(backend="auto", env=session)
    a.wait_for(READY)
    line = next(l for l in a.lines() if l.startswith("⌨️ [Input]"))
    assert line.startswith(WAYLAND_LINE)
    if not os.access("/dev/uinput", os.W_OK):  # this machine: said, and not trusted
        assert line.endswith(": no input") and "/dev/uinput" in line, line
    text = "안녕하세요 👋🏽 wayland"
    Phone().request("text", text=text)

    def clipboard():  # read back by a native Wayland client
        return subprocess.run(["wl-paste", "--no-newline"], env={**os.environ, **session},
                              capture_output=True, text=True, timeout=5).stdout
    assert wait_until(lambda: clipboard() == text), clipboard()
