"""The browser path's figures, each beside the UDP path's in the same run:
sealed moves against datagrams (latency, order, displacement, CPU and heap
allocations per move), a paired browser and a phone through a flood of slow
connections and failed proofs, and the start-up cost of the web port."""
import json
import os
import pathlib
import re
import statistics
import subprocess
import time

PIN = "246810"


def tool(build, name):
    return next((p for p in (build / "bench" / name, build / name) if p.exists()),
                build / "bench" / name)


def token(build, agent):
    out = subprocess.run([str(build / "tarselctl"), "pair"], capture_output=True, text=True,
                         env=agent.env, timeout=10).stdout
    return re.search(r"#pair=([A-Za-z0-9_-]+)", out).group(1)


def run_json(*args):
    out = subprocess.run([str(a) for a in args], check=True, capture_output=True, text=True,
                         timeout=600)
    return json.loads(out.stdout)


def allocations(path):
    try:
        return int(path.read_text())
    except (OSError, ValueError):
        return None


def one_stream(agent, count_file, send, match):
    """Latency, order, displacement, CPU µs and allocations per move of one paced stream."""
    home = match.pointer_home(agent)
    c0, a0 = agent.cpu_seconds(), allocations(count_file)
    result = send()
    time.sleep(0.5)
    c1, a1 = agent.cpu_seconds(), allocations(count_file)
    sends = result["sends"]
    moved = [e for e in agent.effects(sends[0][2] - 0.001)
             if e["op"] == "mouse" and e["type"] == match.MOVED]
    matched, out_of_order = match.match_moves(sends, moved, home)
    us = [(t - s[2]) * 1e6 for s, t in matched]
    sent_sum = [sum(match.move_delta(k)[i] for k in range(len(sends))) for i in (0, 1)]
    moved_sum = [round((moved[-1][c] - home[i]) / 1.5) if moved else 0
                 for i, c in enumerate(("x", "y"))]
    return {"p50_us": match.pct(us, .5), "p99_us": match.pct(us, .99), "sent": len(sends),
            "matched": len(matched), "out_of_order": out_of_order,
            "displacement_equal": moved_sum == sent_sum,
            "cpu_us_per_move": 1e6 * (c1 - c0) / len(sends),
            "allocs_per_move": (a1 - a0) / len(sends) if a0 is not None and a1 is not None
            else None}


def versus_udp(build, make_agent, match, rounds=3, rate=1000, seconds=5):
    library = next((p for p in (build / "bench" / "libtarsel-alloc-count.so",
                                build / "libtarsel-alloc-count.so") if p.exists()), None)
    runs = {"udp": [], "web": []}
    agent = None
    try:
        agent = make_agent({"LD_PRELOAD": str(library)} if library else {}, count=True)
        count = agent.home / "allocations"
        time.sleep(1)
        for _ in range(rounds):
            runs["udp"].append(one_stream(agent, count, lambda: match.bench_tool(
                build, "stream", "--kind", "move", "--rate", rate, "--seconds", seconds,
                "--pin", PIN), match))
            t = token(build, agent)
            runs["web"].append(one_stream(agent, count, lambda: run_json(
                tool(build, "tarsel-web-bench"), "stream", "--token", t, "--rate", rate,
                "--seconds", seconds), match))
    finally:
        if agent:
            agent.stop()
    med = lambda who, k: statistics.median(r[k] for r in runs[who] if r[k] is not None) \
        if any(r[k] is not None for r in runs[who]) else None
    out = {who: {k: med(who, k) for k in ("p50_us", "p99_us", "cpu_us_per_move",
                                           "allocs_per_move")} for who in runs}
    for who in runs:
        out[who]["out_of_order"] = sum(r["out_of_order"] for r in runs[who])
        out[who]["displacement_equal"] = all(r["displacement_equal"] for r in runs[who])
        out[who]["lost"] = sum(r["sent"] - r["matched"] for r in runs[who])
    out["rounds"], out["runs"] = rounds, runs
    return out


def flood(build, make_agent, seconds=10):
    agent = make_agent({})
    try:
        time.sleep(1)
        before = agent.rss_kb()
        r = run_json(tool(build, "tarsel-web-bench"), "flood", "--token", token(build, agent),
                     "--pin", PIN, "--seconds", seconds)
        time.sleep(0.5)
        r["rss_growth_mb"] = (agent.rss_kb() - before) / 1024
    finally:
        agent.stop()
    return r


def startup(build, make_agent, runs=30):
    """Alternated starts with the default web port and with web_port 0: medians."""
    ready = {"web": [], "off": []}
    rss = {"web": [], "off": []}
    for i in range(2 * runs):
        kind = "web" if i % 2 == 0 else "off"
        agent = make_agent({}, web_port=None if kind == "web" else 0)
        try:
            ready[kind].append((agent.web_ready_at - agent.started) * 1e3)
            time.sleep(0.5)
            rss[kind].append(agent.rss_kb() / 1024)
        finally:
            agent.stop()
    med = statistics.median
    return {"ready_ms": {k: med(v) for k, v in ready.items()},
            "rss_mb": {k: med(v) for k, v in rss.items()},
            "extra_ready_ms": med(ready["web"]) - med(ready["off"]),
            "extra_rss_mb": med(rss["web"]) - med(rss["off"]), "runs": runs}
