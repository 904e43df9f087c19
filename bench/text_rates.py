#!/usr/bin/env python3
"""Measures how fast text reaches a native GTK 4 text view on each Wayland desktop
(sway, Mutter, KWin): typed as keys (ASCII, Korean, emoji) and pasted (a text
above the typing limit), from the datagram to the Enter that follows the text.
Writes bench/results/text-<time>.json and prints a table.

Usage: bench/run.sh --typing   (needs the packages of scripts/wayland.sh)
"""
import datetime
import pathlib
import sys
import time

ROOT = pathlib.Path(__file__).resolve().parents[1]
sys.path[:0] = [str(ROOT / "tests" / "e2e"), str(ROOT / "tests" / "real")]
import tarsel_harness  # noqa: E402
from native import DESKTOPS, on_each_desktop, save  # noqa: E402
from native_probe import Probe  # noqa: E402
from run import machine  # noqa: E402

TEXTS = {
    "ASCII": "The quick brown fox jumps over the lazy dog. " * 10,   # 450 characters
    "Korean": "키보드와 마우스를 휴대폰으로 " * 15,                    # 240
    "emoji": "👋🏽🎉🚀 " * 40,                                         # 200 code points
    "pasted": "paste " * 200,                                          # 1,200: pasted
}


def rate(phone, probe, text):
    """Characters a second from the request to the Enter after the text."""
    before = len(probe.entered())
    start = time.monotonic()
    phone.request("text", text=text)
    phone.request("enter")
    assert tarsel_harness.wait_until(lambda: len(probe.entered()) > before, 30)
    seconds = time.monotonic() - start
    arrived = probe.entered()[before]
    return {"chars": len(text), "seconds": round(seconds, 3),
            "per_second": round(len(text) / seconds), "intact": arrived == text}


def measure(_, make_session):
    session = make_session()
    tarsel_harness.Agent(backend="auto", env=session).wait_for(tarsel_harness.READY, 20)
    probe = Probe(session, "org.tarsel.TextView", "wayland", "textview")
    probe.wait("ACTIVE", 20)
    phone = tarsel_harness.Phone()
    return {name: rate(phone, probe, text) for name, text in TEXTS.items()}


def main():
    r = {"machine": machine(), "when": datetime.datetime.now().isoformat(timespec="seconds")}
    on_each_desktop(r, measure)
    rows = [["desktop", *(f"{k} ({len(v)})" for k, v in TEXTS.items())]]
    for name, _ in DESKTOPS:
        m = r[name]
        if "error" in m:
            rows.append([name, m["error"], "", "", ""])
            continue
        rows.append([name, *(f"{m[k]['per_second']}/s{'' if m[k]['intact'] else ' (wrong)'}"
                             for k in TEXTS)])
    save(r, rows, "text")


if __name__ == "__main__":
    main()
