"""Native input on Wayland desktops, each compositor started headless: the agent
runs in its session from the build tree over real UDP, and a native GTK4 window
(gtk_probe.py) reports what reached it — keys, pointer, a pasted text and the Enter
sent right after it, in that order — with no uinput and no dialog."""
import os
import re
import pathlib
import shutil
import signal
import subprocess
import sys
import tempfile
import time

import pytest

from native_probe import (Probe, check_smooth_scroll, check_wheel_steps, lines, motions,
                          pointer_into, reader, settled_motion, start_vte, wait_until_reading)
from tarsel_harness import PIN, READY, SERVER, Agent, Phone, require, track, wait_until

TEXT = "안녕하세요 👋🏽 wayland"
ROOT = pathlib.Path(__file__).resolve().parents[2]
EXTENSION = "tarsel-frontmost@tarsel.example"


def runtime_dir(owner="root"):
    path = pathlib.Path(tempfile.mkdtemp(prefix="tarsel-wayland-"))
    shutil.chown(path, owner, "nogroup" if owner == "nobody" else "root")
    return path


def wait_socket(runtime, pattern):
    sockets = wait_until(lambda: sorted(runtime.glob(pattern)))
    assert sockets, f"the compositor never opened {pattern} in {runtime}"
    return str(sockets[0])  # an absolute WAYLAND_DISPLAY: the agent keeps its own runtime dir


def sway(bar=False, runtime=None):
    """sway as nobody (it refuses root); with `bar`, on a session bus that sway's
    user and the agent's share, ready to start swaybar (show_bar) as a tray host;
    with `runtime`, again in that folder (its display socket as before)."""
    require(shutil.which("sway") and shutil.which("setpriv"), "sway, setpriv")
    runtime = runtime or runtime_dir("nobody")
    env = dict(os.environ, XDG_RUNTIME_DIR=str(runtime), WLR_BACKENDS="headless",
               WLR_LIBINPUT_NO_DEVICES="1", WLR_RENDERER="pixman", HOME=str(runtime))
    env.pop("DISPLAY", None)
    config, session = "/dev/null", {}
    if bar:
        session["DBUS_SESSION_BUS_ADDRESS"] = env["DBUS_SESSION_BUS_ADDRESS"] = shared_bus()
        config = runtime / "config"
        config.write_text("")
        config.chmod(0o666)
    process = track(subprocess.Popen(["setpriv", "--reuid=nobody", "--regid=nogroup",
                                      "--clear-groups", "sway", "-c", str(config)], env=env,
                                     cwd=runtime, stdout=subprocess.DEVNULL,
                                     stderr=subprocess.DEVNULL))
    session["SWAYSOCK"] = str(runtime)  # where show_bar finds sway's IPC socket
    session["SWAY_PID"] = str(process.pid)
    return {"WAYLAND_DISPLAY": wait_socket(runtime, "wayland-[0-9]"), "XDG_SESSION_TYPE": "wayland",
            **session}


def show_bar(session):
    """Adds swaybar, whose tray hosts StatusNotifierItems, to a running sway."""
    runtime = pathlib.Path(session["SWAYSOCK"])
    (runtime / "config").write_text("bar {\n  tray_output *\n}\n")
    ipc = wait_socket(runtime, "sway-ipc.*.sock")
    env = {**os.environ, "SWAYSOCK": ipc, "XDG_RUNTIME_DIR": str(runtime)}
    subprocess.run(["setpriv", "--reuid=nobody", "--regid=nogroup", "--clear-groups", "swaymsg",
                    "reload"], env=env, check=True, capture_output=True, timeout=10)


def shared_bus():
    """A session bus that lets every user connect (sway runs as nobody, the agent as root)."""
    folder = pathlib.Path(tempfile.mkdtemp(prefix="tarsel-bus-"))
    folder.chmod(0o755)
    config = folder / "bus.conf"
    config.write_text(f"""<busconfig><type>session</type>
  <listen>unix:path={folder}/bus</listen><auth>EXTERNAL</auth>
  <policy context="default"><allow user="*"/><allow own="*"/>
    <allow send_destination="*" eavesdrop="true"/><allow eavesdrop="true"/></policy></busconfig>""")
    track(subprocess.Popen(["dbus-daemon", f"--config-file={config}", "--nofork"],
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL))
    assert wait_until(lambda: (folder / "bus").exists()), "no session bus"
    return f"unix:path={folder}/bus"


def gdbus(session, *args):
    return subprocess.run(["gdbus", "call", "--session", *args], env={**os.environ, **session},
                          capture_output=True, text=True, timeout=10).stdout


def session_bus(runtime):
    """A private session bus for a compositor that serves D-Bus (Mutter, KWin)."""
    address = f"unix:path={runtime}/bus"
    track(subprocess.Popen(["dbus-daemon", "--session", "--nofork", f"--address={address}"],
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL))
    assert wait_until(lambda: (runtime / "bus").exists()), "no session bus"
    return address


def dbus_compositor(command, bus_name, **extra_env):
    runtime = runtime_dir()
    bus = session_bus(runtime)
    env = dict(os.environ, XDG_RUNTIME_DIR=str(runtime), DBUS_SESSION_BUS_ADDRESS=bus, **extra_env)
    env.pop("DISPLAY", None)
    track(subprocess.Popen(command, env=env, cwd=runtime, stdout=subprocess.DEVNULL,
                           stderr=subprocess.DEVNULL))
    subprocess.run(["gdbus", "wait", "--session", "--timeout", "15", bus_name], env=env,
                   check=True, timeout=20)
    return {"WAYLAND_DISPLAY": wait_socket(runtime, "wl-test"), "XDG_SESSION_TYPE": "wayland",
            "DBUS_SESSION_BUS_ADDRESS": bus}


def mutter():
    require(shutil.which("mutter") and shutil.which("gdbus"), "mutter, gdbus")
    return dbus_compositor(["mutter", "--headless", "--wayland", "--no-x11", "--virtual-monitor",
                            "1280x800", "--wayland-display", "wl-test"],
                           "org.gnome.Mutter.RemoteDesktop")


def gnome_shell():
    """gnome-shell with the package's extension enabled (settings in a key file); it
    also wants a system bus, and a private one is enough."""
    if not shutil.which("gnome-shell"):  # optional even under CI: ~6 s a run, and heavy
        pytest.skip("gnome-shell is not installed (optional: apt-get install gnome-shell)")
    home = pathlib.Path(tempfile.mkdtemp(prefix="tarsel-gnome-"))
    shutil.copytree(ROOT / "packaging" / "gnome-shell" / "42" / EXTENSION,  # GNOME 43 here
                    home / ".local/share/gnome-shell/extensions" / EXTENSION)
    settings = home / ".config/glib-2.0/settings"
    settings.mkdir(parents=True)
    (settings / "keyfile").write_text(f"[org/gnome/shell]\nenabled-extensions=['{EXTENSION}']\n"
                                      "welcome-dialog-last-shown-version='999'\n")
    system = session_bus(home)  # serves as the system bus
    return dbus_compositor(["gnome-shell", "--headless", "--wayland", "--no-x11",
                            "--virtual-monitor", "1280x800", "--wayland-display", "wl-test"],
                           "org.gnome.Shell", HOME=str(home), GSETTINGS_BACKEND="keyfile",
                           DBUS_SYSTEM_BUS_ADDRESS=system)


def kwin():
    """KWin offers fake input only to an allow-listed executable: the build tree's
    entry in the user's own applications folder, as docs/LINUX_INPUT.md has a
    developer write it. The binary carries a file capability no container grants,
    so a plain copy runs."""
    require(shutil.which("kwin_wayland") and shutil.which("kbuildsycoca5"), "kwin-wayland")
    home = runtime_dir()
    entry = home / ".local/share/applications/tarsel-server-kwin.desktop"
    entry.parent.mkdir(parents=True)
    entry.write_text("[Desktop Entry]\nType=Application\nName=Tarsel\nNoDisplay=true\n"
                     f"Exec={SERVER.resolve()}\n"
                     "X-KDE-Wayland-Interfaces=org_kde_kwin_fake_input\n")
    copy = home / "kwin_wayland"
    shutil.copy("/usr/bin/kwin_wayland", copy)
    return dbus_compositor([str(copy), "--virtual", "--no-lockscreen", "--width", "1280",
                            "--height", "800", "--socket", "wl-test"], "org.kde.KWin",
                           HOME=str(home), XDG_DATA_HOME=str(home / ".local/share"),
                           XDG_CACHE_HOME=str(home / ".cache"))


def report_as_the_gnome_extension(session, app_id):
    """What the GNOME Shell extension sends at each change of focus."""
    assert gdbus(session, "--dest", "com.tarsel.Server", "--object-path", "/com/tarsel/Server",
                 "--method", "com.tarsel.Server.SetFrontmost", app_id, "gnome-extension") == "()\n"


def check_native_input(session, path, front_most=None):
    agent = Agent(backend="auto", env=session)
    agent.wait_for(READY, 20)
    probe = Probe(session, "org.videolan.VLC")
    probe.wait("ACTIVE", 20)  # GTK is active once the seat has a keyboard: the agent's
    line = next(l for l in agent.lines() if l.startswith("⌨️ [Input]"))
    assert line.startswith(f"⌨️ [Input] {path} ("), line
    phone = Phone()
    phone.request("a")
    probe.wait("KEY a ")
    # The media keys follow the front-most application (VLC: Control-F).
    if front_most:
        front_most(session, "org.videolan.VLC.desktop")
    phone.request("fullscreen")
    probe.wait("KEY f ctrl")
    # Moves bring the pointer past the window's shadow until the window sees it (GTK may
    # report its entry as something else), then one more is measured; one at a time,
    # since queued moves would add up.
    for _ in range(5):
        phone.request("move", dx=60, dy=40)
        if wait_until(lambda: motions(probe.lines()), 2):
            break
    x0, y0 = settled_motion(probe)
    phone.request("move", dx=10, dy=4)
    assert wait_until(lambda: motions(probe.lines())[-1] != (x0, y0)), probe.lines()
    x1, y1 = settled_motion(probe)
    assert (round(x1 - x0), round(y1 - y0)) == (15, 6), probe.lines()  # 1.5 times the delta
    phone.request("click")
    probe.wait("CLICK 1")
    phone.request("text", text=TEXT)
    phone.request("enter")
    probe.wait(f"ENTER a{TEXT}")  # Control-F typed nothing


def test_sway_reaches_native_windows_through_the_wlroots_virtual_devices():
    check_native_input(sway(), "wlroots")


def test_sway_pastes_a_long_text_into_a_terminal_through_the_primary_selection(tmp_path):
    """A text too long to type is pasted; a bare VTE terminal takes Shift-Insert only:
    the agent sets the primary selection through data-control, and the text arrives
    before its Enter."""
    session = sway()
    env = {k: v for k, v in os.environ.items() if k != "DISPLAY"}
    env.update(session, XDG_RUNTIME_DIR="/tmp")
    out = tmp_path / "received"
    start_vte(env, out, tmp_path, "wayland")
    agent = Agent(backend="auto", env={**session, "XDG_DATA_HOME": str(tmp_path)})
    agent.wait_for(READY, 20)
    phone = Phone()
    wait_until_reading(phone, out)
    long_text = TEXT * 70  # 1,190 characters
    phone.request("text", text=long_text)
    phone.request("enter")
    assert wait_until(lambda: long_text in lines(out)), lines(out)
    assert lines(out)[-1] == long_text


def test_mutter_reaches_native_windows_through_its_remote_desktop_session():
    check_native_input(mutter(), "mutter", front_most=report_as_the_gnome_extension)


def test_kwin_reaches_native_windows_through_fake_input_for_the_allow_listed_binary():
    check_native_input(kwin(), "kwin")  # the front-most application from the agent's KWin script


def test_the_gnome_shell_extension_reports_the_front_most_application():
    session = gnome_shell()
    Agent(backend="auto", env=session).wait_for(READY, 20)
    probe = Probe(session, "org.videolan.VLC")
    phone = Phone()
    phone.request("esc")  # the shell starts in its overview, which keeps the focus
    probe.wait("ACTIVE", 20)
    phone.request("fullscreen")
    probe.wait("KEY f ctrl")  # the extension said VLC is in front


def test_the_tray_menu_reaches_swaybar_without_xwayland_when_the_bar_comes_later():
    require(shutil.which("gdbus"), "gdbus (libglib2.0-bin)")
    session = sway(bar=True)
    agent = Agent(backend="auto", env=session)
    agent.wait_for(READY, 20)
    agent.wait_for("⚠️ [Tray]")  # no host yet, as at a log-in where the panel starts late
    show_bar(session)
    watcher = ["--dest", "org.kde.StatusNotifierWatcher", "--object-path", "/StatusNotifierWatcher",
               "--method", "org.freedesktop.DBus.Properties.Get", "org.kde.StatusNotifierWatcher",
               "RegisteredStatusNotifierItems"]
    items = wait_until(lambda: re.findall(r"'(:[0-9.]+)/StatusNotifierItem'",
                                          gdbus(session, *watcher)))
    assert items, gdbus(session, *watcher)
    layout = gdbus(session, "--dest", items[0], "--object-path", "/MenuBar", "--method",
                   "com.canonical.dbusmenu.GetLayout", "--", "0", "-1", "[]")
    assert f"PIN:  {PIN}" in layout and "'종료'" in layout, layout  # Korean, as the harness asks


DESKTOPS = {"sway": sway, "mutter": mutter, "kwin": kwin}


def wait_focused(desktop, session, app_id):
    """sway says which window has the focus; Mutter and KWin focus a new window as it
    maps, which its program's first line follows by moments."""
    if desktop != "sway":
        return time.sleep(1)
    ipc = {**os.environ, "SWAYSOCK": wait_socket(pathlib.Path(session["SWAYSOCK"]),
                                                  "sway-ipc.*.sock")}
    focused = lambda: f'"app_id": "{app_id}"' in subprocess.run(
        ["swaymsg", "-t", "get_tree"], env=ipc, capture_output=True, text=True).stdout.split(
        '"focused": true')[-1][:2000]
    assert wait_until(focused, 10), f"sway never focused {app_id}"


def start_terminal(terminal, env, out, tmp_path):
    """foot (wlroots' own terminal), or VTE, GNOME Terminal's widget: foot 1.13 stops at
    KWin's virtual output, which has no physical size."""
    if terminal == "vte":
        start_vte(env, out, tmp_path, "wayland")  # its desktop entry not given to the agent
        return "org.tarsel.VteProbe"
    track(subprocess.Popen(["foot", *reader(out)], env=env, stdout=subprocess.DEVNULL,
                           stderr=subprocess.DEVNULL))
    return "foot"


@pytest.mark.parametrize("desktop,terminal",
                         [("sway", "foot"), ("mutter", "foot"), ("mutter", "vte"), ("kwin", "vte")])
def test_a_terminal_opened_after_the_start_reads_every_text_in_order(desktop, terminal, tmp_path):
    """A terminal opened after the agent starts: two text+Enter pairs arrive exactly, in
    order, the first one included. Typed as keys, the text needs no guess of the
    front-most application (GNOME has none without its extension) and no paste to
    wait for."""
    require(terminal != "foot" or shutil.which("foot"), "foot")
    session = DESKTOPS[desktop]()
    agent = Agent(backend="auto", env=session)
    agent.wait_for(READY, 20)
    out = tmp_path / "received"
    env = {k: v for k, v in os.environ.items() if k != "DISPLAY"}
    env.update(session, XDG_RUNTIME_DIR="/tmp")
    app_id = start_terminal(terminal, env, out, tmp_path)
    assert wait_until(lambda: lines(out) == ["START"], 10), lines(out)
    wait_focused(desktop, session, app_id)
    phone = Phone()
    for text in ("echo one", "two"):
        phone.request("text", text=text)
        phone.request("enter")
    assert wait_until(lambda: lines(out) == ["START", "echo one", "two"], 5), lines(out)


@pytest.mark.parametrize("desktop", DESKTOPS)
def test_enter_never_overtakes_a_text_in_a_long_text_view(desktop):
    """A GTK 4 text view holding 2,000 characters inserts a paste late: typed text, and
    Korean (pasted on GNOME and KDE, whose US layout has no Hangul) are in place before
    the Enter that follows them, 20 of 20."""
    session = DESKTOPS[desktop]()
    Agent(backend="auto", env=session).wait_for(READY, 20)
    probe = Probe(session, "org.tarsel.TextView", "wayland", "textview")
    probe.wait("ACTIVE", 20)
    phone = Phone()
    rounds = [f"round {n}" if n % 2 else f"한글 {n}" for n in range(20)]
    for n in range(0, 20, 2):  # two rounds at a time: ten pastes at once overfill the queue
        for text in rounds[n:n + 2]:
            phone.request("text", text=text)
            phone.request("enter")
        assert wait_until(lambda: len(probe.entered()) > n + 1, 5), " | ".join(probe.entered())
    assert probe.entered() == rounds


@pytest.mark.parametrize("desktop", DESKTOPS)
def test_a_wheel_notch_scrolls_one_step_on_every_desktop(desktop):
    """One notch scrolls a GTK 4 view by its own wheel step (within 10 %), six notches six
    steps: sway took a frame of six notches as one, KWin's smooth scroll was 45 % of a
    step. The first scroll counts too, except on KWin, where GTK loses the first scroll
    a session's fake pointer sends (seen with KWin 5.27 and GTK 4.8, with or without
    the agent's pacing)."""
    session = DESKTOPS[desktop]()
    Agent(backend="auto", env=session).wait_for(READY, 20)
    probe = Probe(session, "org.tarsel.Scroll", "wayland", "scroll")
    probe.wait("ACTIVE", 20)
    phone = Phone()
    pointer_into(phone, probe)
    if desktop == "kwin":
        phone.request("scroll", dy=-20)  # lost, or the start of the view's travel
        time.sleep(1)
    check_wheel_steps(phone, probe)
    if desktop != "mutter":  # GTK starts a smooth sequence with its first event, unmoved
        phone.request("smooth_scroll", y=0.1)
        time.sleep(0.5)
    # Smooth axes are pixels on sway and KWin: sideways as far as a notch down (83.5 px).
    check_smooth_scroll(phone, probe, None if desktop == "mutter" else 83.5)


def test_after_its_compositor_the_agent_serves_headless_and_returns_to_the_next_one():
    """sway ends under a running agent: Qt ends the process (exit 1), and the unit starts
    it again (Restart=on-failure), as here: it serves headless, then sway is back on the
    same display and the agent starts itself again there and drives it."""
    session = sway()
    agent = Agent(backend="auto", env=session)
    agent.wait_for(READY, 20)
    os.kill(int(session["SWAY_PID"]), signal.SIGTERM)
    assert wait_until(lambda: agent.proc.poll() is not None, 10), "the agent outlived Qt"
    agent = Agent(backend="auto", env=session)
    agent.wait_for("headless로 실행합니다", 10)
    agent.wait_for(READY, 20)
    phone = Phone()
    phone.request("ping")
    assert phone.recv() == "pong"
    sway(runtime=pathlib.Path(session["SWAYSOCK"]))
    agent.wait_for("컴포지터가 돌아와 다시 시작합니다", 10)
    agent.wait_for("⌨️ [Input] wlroots", 10)
    assert wait_until(lambda: agent.log().count(READY) == 2, 10), agent.log()
    phone.request("ping")
    assert phone.recv() == "pong"
