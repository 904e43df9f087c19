"""The Qt desktop shell under Xvfb: the tray icon in a real XEmbed tray
(trayer), its menu opened through TARSEL_DEBUG_OPEN_MENU=1, and a screenshot
left in tests/out/ for people to look at."""
import os
import pathlib
import re
import shutil
import subprocess

import pytest

import xvfb_display as xvfb
import tarsel_harness
from tarsel_harness import READY, Agent, Phone, require

OUT = pathlib.Path(__file__).resolve().parents[1] / "out"
OPENED = "🔧 [Tray] 메뉴를 열었습니다"
NO_TRAY = "⚠️ [Tray] 시스템 트레이가 없어 메뉴 아이콘 없이 계속 실행합니다"
WINDOW = re.compile(r'(0x[0-9a-f]+) "[^"]*": \("tarsel-server" "tarsel-server"\)\s+'
                    r'(\d+)x(\d+)\+(-?\d+)\+(-?\d+)\s+\+(-?\d+)\+(-?\d+)')


# The tray and Qt's menus take longer to appear than plain X events.
def wait_until(predicate):
    return tarsel_harness.wait_until(predicate, timeout=15.0)


@pytest.fixture
def display():
    yield from xvfb.xvfb_display(("Xvfb", "xwininfo", "import", "identify"),
                            "Xvfb, x11-utils and imagemagick")


def agent_windows(display):
    """(id, width, height, absolute x, absolute y) of every window of the agent."""
    tree = subprocess.run(["xwininfo", "-root", "-tree"], env=dict(os.environ, DISPLAY=display),
                          capture_output=True, text=True).stdout
    return [(m[0], int(m[1]), int(m[2]), int(m[5]), int(m[6])) for m in WINDOW.findall(tree)]


def start_agent(display):
    agent = Agent(env={"DISPLAY": display, "QT_QPA_PLATFORM": "xcb",
                       "TARSEL_DEBUG_OPEN_MENU": "1", "LANGUAGE": "en"}, backend="x11")
    agent.wait_for(READY)
    return agent


def start_tray(display):
    require(shutil.which("trayer"), "trayer (an XEmbed system tray)")
    env = dict(os.environ, DISPLAY=display)
    tray = subprocess.Popen(["trayer", "--edge", "top", "--align", "right", "--widthtype",
                             "request", "--height", "24", "--SetDockType", "true"], env=env,
                            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    assert wait_until(lambda: subprocess.run(["xwininfo", "-name", "panel"], env=env,
                                             capture_output=True).returncode == 0)
    return tray


def tray_icons(display):
    return [w for w in agent_windows(display) if w[1] <= 64 and w[2] <= 64 and w[1] > 1]


def test_tray_icon_and_menu_under_a_real_tray(display):
    env = dict(os.environ, DISPLAY=display)
    tray = start_tray(display)
    agent = None
    try:
        agent = start_agent(display)
        agent.wait_for(OPENED, timeout=15)
        assert NO_TRAY not in agent.log()
        # The menu (a tall window) and the tray icon (a small one) are on screen.
        menus = wait_until(lambda: [w for w in agent_windows(display) if w[2] >= 100])
        assert menus, agent_windows(display)
        assert tray_icons(display)

        OUT.mkdir(exist_ok=True)
        shot = OUT / "qt_tray_menu.png"
        subprocess.run(["import", "-window", "root", str(shot)], env=env, check=True)
        assert shot.stat().st_size > 0
        _, width, height, x, y = menus[0]
        crop = OUT / "qt_tray_menu_only.png"
        subprocess.run(["import", "-window", "root", "-crop", f"{width}x{height}+{x}+{y}",
                        str(crop)], env=env, check=True)
        mean = subprocess.run(["identify", "-format", "%[fx:mean]", str(crop)],
                              capture_output=True, text=True, check=True).stdout
        assert 0.05 < float(mean) < 0.99  # drawn, neither black nor blank
    finally:
        if agent:
            agent.stop()
        tray.terminate()
        tray.wait()
    assert agent.proc.returncode == 0


def test_without_a_tray_it_keeps_serving_and_shows_the_icon_when_one_comes(display):
    agent = start_agent(display)
    phone = Phone()
    tray = None
    try:
        agent.wait_for(NO_TRAY)
        phone.request("ping")
        assert phone.recv() == "pong"
        agent.wait_for(OPENED, timeout=15)  # the menu is still built
        assert not tray_icons(display)
        tray = start_tray(display)
        agent.wait_for("✅ [Tray] 시스템 트레이가 나타나 메뉴 아이콘을 표시합니다", timeout=15)
        assert wait_until(lambda: tray_icons(display)), agent_windows(display)
        assert agent.log().count(NO_TRAY) == 1
    finally:
        phone.close()
        agent.stop()
        if tray:
            tray.terminate()
            tray.wait()
