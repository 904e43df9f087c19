"""The phone page in headless Chromium as an Android phone, on loopback, with the
record backend: what a cold first load costs (bytes on the wire as Chromium's
Network domain reports them, requests, other hosts), load → connected, touch →
effect for moves, and tap → click release. Run by bench/run.sh --page."""
import json
import pathlib
import re
import socket
import statistics
import subprocess
import sys
import time

ROOT = pathlib.Path(__file__).resolve().parents[1]
sys.path[:0] = [str(ROOT / "tests/e2e"), str(ROOT / "tests/real")]
from tarsel_harness import CTL, Agent, wait_until  # noqa: E402
from test_browser import phone_browser, touch  # noqa: E402
from echo_page import EchoServer  # noqa: E402


def pct(values, p):
    values = sorted(values)
    return values[min(len(values) - 1, int(p / 100 * len(values)))]


def fresh_page(agent, host):
    """A new browser (empty cache and storage) loading the page from a fresh QR code;
    the Network domain's requests and bytes, and the load → connected time."""
    token = re.search(r"#pair=([A-Za-z0-9_-]+)", subprocess.run(
        [str(CTL), "pair"], capture_output=True, text=True, env=agent.env, timeout=10).stdout)[1]
    driver = phone_browser(host, performance_log=True)
    driver.get(f"http://{host}:3090/#pair={token}")
    state = driver.find_element("id", "state")
    assert wait_until(lambda: state.text == "Connected", 10), (state.text, agent.log()[-600:])
    connected = driver.execute_script(
        "return performance.getEntriesByName('connected')[0].startTime")
    time.sleep(0.5)  # the manifest and the icon come after the load
    requests, bytes_ = {}, 0
    for entry in driver.get_log("performance"):
        message = json.loads(entry["message"])["message"]
        if message["method"] == "Network.requestWillBeSent":
            requests[message["params"]["requestId"]] = message["params"]["request"]["url"]
        elif message["method"] == "Network.loadingFinished":
            bytes_ += message["params"]["encodedDataLength"]
    return driver, connected, list(requests.values()), bytes_


def swipes(driver, effects, time_of):
    """Five swipes of 100 moves, one each 60 ms (longer than a move takes, so each
    effect is its own move's); each move's first effect timed on the same clock as
    its dispatch, in ms."""
    x, y = 60, 300
    latencies = []
    for i in range(500):
        before = len(effects())
        if i % 100 == 0:
            touch(driver, "touchStart", [(x, y)])
            touch(driver, "touchMove", [(x + 1, y)])  # the first step moves 1 : 1 on both
            time.sleep(0.02)
            before = len(effects())
        sent = time.monotonic()
        touch(driver, "touchMove", [(x + (i % 100) * 2 + 20, y)])
        if wait_until(lambda: len(effects()) > before, 1):
            latencies.append((time_of(effects()[before]) - sent) * 1000)
        if i % 100 == 99:
            touch(driver, "touchEnd", [])
        time.sleep(0.06)
    return latencies


def main():
    agent = Agent()
    agent.wait_for("🌐 [Web] 휴대폰 브라우저 페이지")
    host = f"{socket.gethostname()}.local"
    loads, driver = [], None
    for _ in range(10):
        if driver:
            driver.quit()
            time.sleep(1.5)  # within the agent's limit on new connections per address
        driver, connected, urls, size = fresh_page(agent, host)
        loads.append(connected)
    websocket = [u for u in urls if u.startswith("ws:")]
    # 500 moves on the page, then 500 on the bare echo page, three times, in one session.
    echo = EchoServer()
    page_url = driver.current_url
    timed = {"page": [], "echo": []}
    for _ in range(3):
        driver.get(page_url)  # the saved key reconnects it
        assert wait_until(lambda: driver.find_element("id", "state").text == "Connected", 10)
        timed["page"] += swipes(driver, lambda: agent.effects("mouse"), lambda e: e["t"])
        driver.get(f"http://{host}:{echo.port}/")
        assert wait_until(lambda: driver.title == "open", 10)
        timed["echo"] += swipes(driver, lambda: echo.arrivals, lambda t: t)
    driver.get(page_url)
    assert wait_until(lambda: driver.find_element("id", "state").text == "Connected", 10)
    pad = driver.find_element("id", "pad").rect
    x, y = pad["x"] + pad["width"] / 2, pad["y"] + pad["height"] / 2
    taps = []
    for _ in range(20):
        before = len([m for m in agent.effects("mouse") if m["type"] == 2])
        start = time.monotonic()
        touch(driver, "touchStart", [(x, y)])
        touch(driver, "touchEnd", [])
        wait_until(lambda: len([m for m in agent.effects("mouse") if m["type"] == 2]) > before, 2)
        up = [m for m in agent.effects("mouse") if m["type"] == 2][-1]
        taps.append((up["t"] - start) * 1000)
        time.sleep(0.6)
    driver.quit()
    agent.stop()
    figures = {
        "cold load bytes on the wire": size,
        "cold load requests (WebSocket apart)": len(urls) - len(websocket),
        "requests to another host": len([u for u in urls if host not in u]),
        "load → connected p50 ms": statistics.median(loads),
        "load → connected p95 ms": pct(loads, 95),
        "touch → move effect p50 ms": statistics.median(timed["page"]),
        "touch → move effect p90 ms": pct(timed["page"], 90),
        "touch → move effect p99 ms": pct(timed["page"], 99),
        "echo page p50 ms": statistics.median(timed["echo"]),
        "echo page p90 ms": pct(timed["echo"], 90),
        "echo page p99 ms": pct(timed["echo"], 99),
        "moves timed (page, echo)": [len(timed["page"]), len(timed["echo"])],
        "tap → click release p50 ms": statistics.median(taps),
        "tap → click release max ms": max(taps),
        "requests": sorted(u.replace(f"http://{host}:3090", "") for u in urls),
    }
    out = ROOT / "bench/results" / time.strftime("page-%Y%m%d-%H%M%S.json")
    out.write_text(json.dumps(figures, indent=1, ensure_ascii=False))
    print(json.dumps(figures, indent=1, ensure_ascii=False))


main()
