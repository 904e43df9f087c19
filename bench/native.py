#!/usr/bin/env python3
"""Benchmarks each native Wayland input path (wlroots under sway, Mutter, KWin) against
the same run's echo baseline: CPU per move of the agent and of the compositor, and the
latency from a move's datagram to the pointer motion a native client (wev) receives.
Writes bench/results/native-<time>.json and prints a table.

Usage: bench/run.sh --native   (needs the packages of scripts/wayland.sh)
"""
import datetime
import json
import pathlib
import os
import socket
import subprocess
import sys
import threading
import time

ROOT = pathlib.Path(__file__).resolve().parents[1]
sys.path[:0] = [str(ROOT / "tests" / "e2e"), str(ROOT / "tests" / "real")]
import tarsel_harness  # noqa: E402
import test_wayland  # noqa: E402
from run import TICK, bench_tool, fmt, machine, pct  # noqa: E402

RATE, SECONDS = 200, 5  # moves far enough apart that none add up in the queue


def cpu_seconds(pid):
    fields = pathlib.Path(f"/proc/{pid}/stat").read_text().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / TICK


def compositor_pid():
    for proc in pathlib.Path("/proc").iterdir():
        try:
            name = (proc / "comm").read_text().strip()
        except OSError:
            continue
        if name in ("sway", "mutter", "kwin_wayland"):
            return int(proc.name)
    return None


class Wev:
    """wev, whose every wl_pointer.motion is stamped with the time it was read."""

    def __init__(self, session):
        env = {**os.environ, **session}
        env.pop("DISPLAY", None)
        self.proc = subprocess.Popen(["stdbuf", "-oL", "wev"], env=env, text=True,
                                     stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
        tarsel_harness.track(self.proc)
        self.motions = []
        threading.Thread(target=self._read, daemon=True).start()

    def _read(self):
        for line in self.proc.stdout:
            if "wl_pointer] motion" in line or "wl_pointer] enter" in line:
                self.motions.append(time.monotonic())


def stream_moves():
    """Sends RATE moves a second, alternating right and left."""
    sock = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
    sends = []
    start = time.monotonic()
    for i in range(RATE * SECONDS):
        dx = 4 if i % 2 == 0 else -4
        sends.append(time.monotonic())
        sock.sendto(json.dumps({"pin": tarsel_harness.PIN, "type": "move", "dx": dx,
                                "dy": 0}).encode(), ("127.0.0.1", 3000))
        time.sleep(max(0.0, start + (i + 1) / RATE - time.monotonic()))
    time.sleep(1)
    return sends


def measure(name, make_session, r):
    session = make_session()
    agent = tarsel_harness.Agent(backend="auto", env=session)
    agent.wait_for(tarsel_harness.READY, 20)
    if "rtt" not in r:  # the echo's round trip, measured beside a running agent
        r["rtt"] = bench_tool(ROOT / "build", "rtt", "--count", 2000, "--pin",
                              tarsel_harness.PIN)["echo"]
    wev = Wev(session)
    phone = tarsel_harness.Phone()
    for _ in range(20):  # into the window
        phone.request("move", dx=40, dy=30)
        if tarsel_harness.wait_until(lambda: wev.motions, 0.5):
            break
    assert wev.motions, f"{name}: wev saw no pointer"
    time.sleep(0.5)
    before = len(wev.motions)
    comp = compositor_pid()
    a0, c0 = cpu_seconds(agent.proc.pid), cpu_seconds(comp)
    sends = stream_moves()
    a1, c1 = cpu_seconds(agent.proc.pid), cpu_seconds(comp)
    seen = wev.motions[before:]
    latency = [(t - s) * 1e6 for s, t in zip(sends, seen)]
    moves = len(sends)
    return {"moves": moves, "seen": len(seen),
            "agent_cpu_us_per_move": (a1 - a0) / moves * 1e6,
            "compositor_cpu_us_per_move": (c1 - c0) / moves * 1e6,
            "latency_p50_us": pct(latency, .5), "latency_p99_us": pct(latency, .99)}


DESKTOPS = (("wlroots (sway)", test_wayland.sway), ("mutter", test_wayland.mutter),
            ("kwin", test_wayland.kwin))


def on_each_desktop(r, measure):
    """r[name] = measure(name, make_session) for each desktop, or the error that stopped it
    (a desktop that is not installed: said, not measured); what it started ends after."""
    for name, make in DESKTOPS:
        try:
            r[name] = measure(name, make)
        except KeyboardInterrupt:
            raise
        except BaseException as e:
            r[name] = {"error": (str(e) or type(e).__name__).splitlines()[0]}
        finally:
            tarsel_harness.end_opened()


def save(r, rows, kind):
    """Writes r, with `rows` as its Markdown table, to bench/results/<kind>-<time>.json."""
    r["table"] = "\n".join("| " + " | ".join(map(str, row)) + " |" for row in rows)
    out = ROOT / "bench" / "results" / f"{kind}-{datetime.datetime.now():%Y%m%d-%H%M%S}.json"
    out.write_text(json.dumps(r, indent=1, ensure_ascii=False))
    print(r["table"])
    print(f"wrote {out}")


def main():
    build = ROOT / "build"
    r = {"machine": machine(), "when": datetime.datetime.now().isoformat(timespec="seconds")}
    r["echo"] = bench_tool(build, "echo-cpu", "--rate", RATE, "--seconds", SECONDS)
    on_each_desktop(r, lambda name, make: measure(name, make, r))
    echo_cpu = r["echo"]["cpu_percent"] / 100 / RATE * 1e6
    rows = [["path", "agent CPU/move", "compositor CPU/move", "latency p50", "latency p99",
             "seen/sent"],
            ["echo baseline", fmt(echo_cpu, " µs"), "–",
             fmt(r.get("rtt", {}).get("p50_us", 0) / 2, " µs"),
             fmt(r.get("rtt", {}).get("p99_us", 0) / 2, " µs"), "–"]]
    for name, _ in DESKTOPS:
        m = r[name]
        if "error" in m:
            rows.append([name, m["error"], "", "", "", ""])
            continue
        rows.append([name, fmt(m["agent_cpu_us_per_move"], " µs"),
                     fmt(m["compositor_cpu_us_per_move"], " µs"), fmt(m["latency_p50_us"], " µs"),
                     fmt(m["latency_p99_us"], " µs"), f"{m['seen']}/{m['moves']}"])
    save(r, rows, "native")


if __name__ == "__main__":
    main()
