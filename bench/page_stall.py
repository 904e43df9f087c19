"""A 2-second stall of the page's connection during a swipe: run inside a network
namespace of its own (bench/run.sh --stall makes it), where nft drops the web
port's packets both ways for 2 s while the finger keeps moving. The page must
add up what the agent has not acknowledged and send it as one move when the
connection is back: every pixel arrives (the recorded moves add up to what the
page sent, ± 1 px), and no burst of stale moves follows the stall."""
import json
import pathlib
import subprocess
import sys
import threading
import time

ROOT = pathlib.Path(__file__).resolve().parents[1]
sys.path[:0] = [str(ROOT / "tests/e2e"), str(ROOT / "tests/real")]
from tarsel_harness import Agent, wait_until  # noqa: E402
from test_browser import touch  # noqa: E402
from test_browser_remote import paired_browser  # noqa: E402

RULES = """table inet stall {
  chain input { type filter hook input priority 0; tcp dport 3090 drop; tcp sport 3090 drop; }
}"""


def stall(seconds, marks):
    marks["start"] = time.monotonic()
    subprocess.run(["nft", "-f", "-"], input=RULES, text=True, check=True)
    time.sleep(seconds)
    subprocess.run(["nft", "delete", "table", "inet", "stall"], check=True)
    marks["end"] = time.monotonic()


def main():
    subprocess.run(["ip", "link", "set", "lo", "up"], check=True)
    agent = Agent()
    agent.wait_for("🌐 [Web] 휴대폰 브라우저 페이지")
    driver = paired_browser(agent)
    pad = driver.find_element("id", "pad").rect
    x, y = pad["x"] + 20, pad["y"] + pad["height"] / 2
    touch(driver, "touchStart", [(x, y)])
    touch(driver, "touchMove", [(x + 10, y)])  # a move, not a hold
    time.sleep(0.3)
    start_x = agent.effects("mouse")[-1]["x"] if agent.effects("mouse") else None
    sent0 = driver.execute_script("return window.tarselPad.sentTotal.dx")
    marks = {}
    stalling = threading.Thread(target=stall, args=(2.0, marks))
    for i in range(400):  # 4 s or more of a slow finger: the stall in its middle
        if i == 100:
            stalling.start()
        touch(driver, "touchMove", [(x + 10 + 0.8 * (i + 1), y)])
        time.sleep(0.01)
    touch(driver, "touchEnd", [])
    stalling.join()
    sent = driver.execute_script("return window.tarselPad.sentTotal.dx") - sent0
    settled = lambda: (len(agent.effects("mouse")), time.sleep(1))[0] == len(agent.effects("mouse"))
    wait_until(settled, 20)
    moves = [m for m in agent.effects("mouse") if m["type"] == 5]
    assert len(moves) == len(agent.effects("mouse")), "a hold became a drag"
    moved = (moves[-1]["x"] - start_x) / 1.5
    after = [m for m in moves if m["t"] > marks["end"]]
    during = [m for m in moves if marks["start"] <= m["t"] <= marks["end"]]
    # What the connection releases when it is back (TCP retransmits on its own
    # schedule): the effects within 50 ms of the first; the finger's later moves
    # are new ones.
    burst = [m for m in after if m["t"] - after[0]["t"] <= 0.05] if after else []
    before_burst = moves[moves.index(after[0]) - 1] if after else None
    figures = {"pixels the page sent": sent, "pixels the pointer moved / 1.5": moved,
               "move effects during the stall": len(during),
               "move effects released when the connection was back": len(burst),
               "pixels in them": (burst[-1]["x"] - before_burst["x"]) / 1.5 if burst else 0,
               "connection back after the stall, ms": (after[0]["t"] - marks["end"]) * 1000
               if after else None}
    driver.quit()
    agent.stop()
    print(json.dumps(figures, indent=1, ensure_ascii=False))
    out = ROOT / "bench/results" / time.strftime("stall-%Y%m%d-%H%M%S.json")
    out.write_text(json.dumps(figures, indent=1, ensure_ascii=False))


main()
