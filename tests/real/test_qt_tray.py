"""The Qt desktop shell under Xvfb: no tray at first, then a real XEmbed tray
(trayer) and the icon in it; the menu opened through TARSEL_DEBUG_OPEN_MENU=1
and left as a screenshot in tests/out/ for people to look at; it stays open
through a refresh."""
import os
import pathlib
import re
import subprocess
import time

import pytest

import xvfb_display as xvfb
from tarsel_harness import CTL, READY, READY_EN, Agent, Phone, track, wait_until

OUT = pathlib.Path(__file__).resolve().parents[1] / "out"
NO_TRAY = "⚠️ [Tray] 시스템 트레이가 없어 메뉴 아이콘 없이 계속 실행합니다"
# The log and the menu in the user's language: Korean, and English.
LINES = {"ko": (READY, NO_TRAY, "🔧 [Tray] 메뉴를 열었습니다",
                "✅ [Tray] 시스템 트레이가 나타나 메뉴 아이콘을 표시합니다"),
         "en": (READY_EN, "⚠️ [Tray] no system tray: running on without the menu icon",
                "🔧 [Tray] the menu was opened", "✅ [Tray] a system tray appeared: the menu icon is shown")}
# An agent's window in `xwininfo -root -tree`: its title, then width, height, x, y.
WINDOW = (r'"{}": \("tarsel-server" "tarsel-server"\)\s+'
          r'(\d+)x(\d+)\+-?\d+\+-?\d+\s+\+(-?\d+)\+(-?\d+)')


def agent_windows(env, title='[^"]*'):
    """(width, height, x, y) of the agent's windows whose title matches `title`."""
    tree = subprocess.run(["xwininfo", "-root", "-tree"], env=env, capture_output=True,
                          text=True).stdout
    return [tuple(map(int, m)) for m in re.findall(WINDOW.format(title), tree)]


def screenshot(env, name, width, height, x, y):
    """Leaves that part of the screen as tests/out/<name>.png for people to look
    at; its mean brightness (0 black, 1 white)."""
    OUT.mkdir(exist_ok=True)
    shot = OUT / f"{name}.png"
    subprocess.run(["import", "-window", "root", "-crop", f"{width}x{height}+{x}+{y}",
                    str(shot)], env=env, check=True)
    return float(subprocess.run(["identify", "-format", "%[fx:mean]", str(shot)],
                                capture_output=True, text=True, check=True).stdout)


def named_window(env, title):
    """(width, height, x, y) of the agent's window titled `title`, once mapped."""
    assert wait_until(lambda: agent_windows(env, re.escape(title)), 10), f"no window {title!r}"
    time.sleep(0.5)  # placed and drawn
    return agent_windows(env, re.escape(title))[0]


def windows(env, small):
    """(width, height, x, y) of the agent's tray icons (small) or menus."""
    return [w for w in agent_windows(env)
            if (1 < w[0] <= 64 and w[1] <= 64 if small else w[1] >= 100)]


@pytest.mark.parametrize("language", ["en", "ko"])
def test_tray_icon_appears_when_a_tray_comes_and_the_menu_is_drawn(language):
    ready, no_tray, opened, appeared = LINES[language]
    display = xvfb.xvfb_display(("Xvfb", "xwininfo", "import", "identify", "trayer"),
                                "Xvfb, x11-utils, imagemagick and trayer")
    env = dict(os.environ, DISPLAY=display)
    agent = Agent(env={"DISPLAY": display, "QT_QPA_PLATFORM": "xcb",
                       "TARSEL_DEBUG_OPEN_MENU": "1", "LANGUAGE": language}, backend="x11")
    phone = Phone()
    agent.wait_for(ready)
    agent.wait_for(no_tray)
    phone.request("ping")  # no tray: still serving, the menu still built
    assert phone.recv() == "pong"
    agent.wait_for(opened, timeout=15)
    menu = wait_until(lambda: windows(env, small=False), 15)
    assert menu and not windows(env, small=True)
    # A refresh (every 5 s; the pairing countdown changes) updates the open menu in place.
    time.sleep(6)
    still = windows(env, small=False)
    assert [w[0] for w in still] == [menu[0][0]], "the menu closed at a refresh"
    assert 0.05 < screenshot(env, f"qt_tray_menu-{language}", *still[0]) < 0.99  # drawn

    track(subprocess.Popen(["trayer", "--edge", "top", "--align", "right", "--widthtype",
                             "request", "--height", "24", "--SetDockType", "true"], env=env,
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL))
    agent.wait_for(appeared, timeout=15)
    assert wait_until(lambda: windows(env, small=True), 15)
    assert agent.log().count(no_tray) == 1
    if language == "en":
        assert not [l for l in agent.lines() if any("\uac00" <= c <= "\ud7a3" for c in l)]
    assert agent.stop() == 0


def test_the_menu_entry_shows_the_pairing_window_with_its_qr_code():
    display = xvfb.xvfb_display(("Xvfb", "xwininfo", "import", "identify"),
                                "Xvfb, x11-utils and imagemagick")
    env = dict(os.environ, DISPLAY=display)
    agent = Agent(env={"DISPLAY": display, "QT_QPA_PLATFORM": "xcb", "LANGUAGE": "en"},
                  backend="x11")
    agent.wait_for("🌐 [Web] the phone's browser page")
    shown = subprocess.run([str(CTL), "show"], env=agent.env, capture_output=True, text=True,
                           timeout=10)
    assert shown.returncode == 0 and shown.stdout == "", shown
    width, height, x, y = named_window(env, "Pair a Phone")
    assert width >= 300 and height >= 400
    assert 0.05 < screenshot(env, "qt_pairing_window", width, height, x, y) < 0.99
    subprocess.run([str(CTL), "pair", "--close"], env=agent.env, timeout=10, check=True)
    state = lambda: subprocess.run(["xwininfo", "-name", "Pair a Phone"], env=env,
                                   capture_output=True, text=True).stdout
    assert wait_until(lambda: "IsUnMapped" in state(), 10), "the window closes with pairing"
    assert agent.stop() == 0


# The alert that keys cannot reach the desktop, as a real Qt window: an X
# server without XTEST leaves the agent no input path.
ALERT_LOG = {"ko": "⚠️  ===== 키보드·마우스 제어를 사용할 수 없습니다 =====",
             "en": "⚠️  ===== Keyboard and mouse control is unavailable ====="}


@pytest.mark.parametrize("language", ["en", "ko"])
def test_the_input_alert_is_drawn_in_the_users_language(language):
    display = xvfb.xvfb_display(("Xvfb", "xwininfo", "import", "identify"),
                                "Xvfb, x11-utils and imagemagick", extra=("-extension", "XTEST"))
    env = dict(os.environ, DISPLAY=display)
    agent = Agent(env={"DISPLAY": display, "QT_QPA_PLATFORM": "xcb", "LANGUAGE": language,
                       "TARSEL_INPUT": "xtest"}, backend="x11")
    agent.wait_for(ALERT_LOG[language])
    width, height, x, y = named_window(env, "Tarsel")
    assert width >= 200
    assert 0.05 < screenshot(env, f"qt_input_alert-{language}", width, height, x, y) < 0.99
    assert agent.stop() == 0
