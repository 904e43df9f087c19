"""Floods from many loopback endpoints: the agent's tables stay bounded and the
real phone on 127.0.0.1 keeps being answered. Bounds are on memory and counts,
never on time; every loop is bounded."""
import json
import os
import select
import socket
import time

import pytest

from tarsel_harness import PIN, Phone

# Sanitizer builds run the same floods, smaller; their allocators keep freed
# memory in quarantine, so memory bounds mean nothing there.
SCALE = float(os.environ.get("TARSEL_FLOOD_SCALE", "1"))
SANITIZED = os.environ.get("TARSEL_SANITIZED") == "1"


def assert_grown_below(agent, base_kb, limit_mb, what):
    if SANITIZED:
        return
    grown_mb = (rss_kb(agent) - base_kb) / 1024
    assert grown_mb < limit_mb, f"resident memory grew {grown_mb:.1f} MB over {what}"


def rss_kb(agent, field="VmRSS:"):
    with open(f"/proc/{agent.proc.pid}/status") as f:
        for line in f:
            if line.startswith(field):
                return int(line.split()[1])
    raise AssertionError(f"no {field}")


def flood_address(n):
    """Source address n of a flood: 127.A.B.C, never 127.0.0.1 (the phone)."""
    return f"127.{16 + n // 64516}.{(n // 254) % 254 + 1}.{n % 254 + 1}"


def answered(phone, tries=5):
    """The phone's ping gets its pong; UDP may drop a datagram under a flood."""
    for _ in range(tries):
        phone.request("ping")
        reply = phone.recv(2.0)
        while reply is not None and reply != "pong":
            reply = phone.recv(0.5)
        if reply == "pong":
            return True
    return False


def send_from(address, payloads, ports=1):
    """Sends each payload from `ports` fresh sockets bound to `address`."""
    socks = []
    for _ in range(ports):
        s = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
        s.bind((address, 0))
        socks.append(s)
    for s in socks:
        for p in payloads:
            s.sendto(p, ("127.0.0.1", 3000))
    return socks


def close_all(socks):
    for s in socks:
        s.close()


def test_hundred_thousand_endpoints_stay_bounded(agent, phone):
    # Warm up: the first few thousand connections reach the allocator's working set.
    for n in range(1000):
        close_all(send_from(flood_address(n), [b"[0]"], ports=4))
    assert answered(phone)
    base = rss_kb(agent)
    endpoints = int(100_000 * SCALE)
    for n in range(endpoints // 4):
        # "[n]" is valid, silent JSON that keeps each endpoint's connection open.
        close_all(send_from(flood_address(n), [b"[%d]" % n], ports=4))
        if n % 2500 == 0:
            assert answered(phone), f"phone unanswered after {4 * n} flood endpoints"
    assert answered(phone)
    # A table without a cap holds every endpoint (tens of MB here); the cap keeps 4096.
    assert_grown_below(agent, base, 24, f"{endpoints} endpoints")
    assert agent.proc.poll() is None


def test_wrong_pin_flood_locks_the_flooders_not_the_phone(agent, phone):
    addresses = int(20_000 * SCALE)  # beyond the lockout table's capacity of 16384
    base = rss_kb(agent)
    first = int(2000 * SCALE)
    socks = [send_from(flood_address(n), [])[0] for n in range(first)]
    wrong = [json.dumps({"pin": f"{100000 + i}", "type": "ping"}).encode() for i in range(12)]
    # Part one: twelve wrong PINs from each of `first` addresses, a round at a
    # time, each round's replies awaited so the burst fits the socket buffer.
    for i in range(12):
        for s in socks:
            s.sendto(wrong[i], ("127.0.0.1", 3000))
        count_replies(socks, wait=5.0, expect=len(socks) if i < 9 else 0)
    assert answered(phone)
    close_all(socks)
    # Part two: many more addresses, one wrong PIN each, to fill the table past its cap.
    for n in range(first, addresses):
        close_all(send_from(flood_address(n), [wrong[0]]))
        if n % 5000 == 0:
            assert answered(phone)
    assert answered(phone)
    log = agent.log()
    # UDP may drop some of a burst (more so under sanitizers), so not every
    # flooder reaches ten; most do.
    locked = [n for n in range(first) if
              f"⛔️ [Security] IP {flood_address(n)} 차단됨 (5분간 접속 불가)" in log]
    assert len(locked) > first // 2, f"only {len(locked)} of {first} flooders were locked out"
    assert "⛔️ [Security] IP 127.0.0.1 " not in log
    assert_grown_below(agent, base, 24, f"{addresses} addresses")
    # A locked flooder is still silenced, the phone still served.
    locked = send_from(flood_address(locked[0]),
                       [json.dumps({"pin": PIN, "type": "ping"}).encode()])
    assert count_replies(locked) == 0
    close_all(locked)


def count_replies(socks, wait=0.5, expect=None):
    """Replies that reach `socks` within `wait` seconds (sooner once `expect` came)."""
    poller = select.poll()
    by_fd = {s.fileno(): s for s in socks}
    for fd in by_fd:
        poller.register(fd, select.POLLIN)
    got = 0
    deadline = time.monotonic() + wait
    while time.monotonic() < deadline and (expect is None or got < expect):
        for fd, _ in poller.poll(max(1, int((deadline - time.monotonic()) * 1000))):
            try:
                while by_fd[fd].recv(2048, socket.MSG_DONTWAIT):
                    got += 1
            except BlockingIOError:
                pass
    return got


def test_scan_flood_replies_are_capped_and_the_phone_still_answered(agent, phone):
    # One address asking over and over: a burst of ten, then five a second.
    # Each scan from a fresh port: a new connection, so only the limiter can refuse it.
    start = time.monotonic()
    one = []
    for _ in range(300):
        one += send_from(flood_address(7), [b"scan"])
    got = count_replies(one)
    elapsed = time.monotonic() - start
    close_all(one)
    assert 1 <= got <= 10 + 5 * elapsed + 1, f"{got} replies to 300 scans in {elapsed:.2f} s"
    # Many addresses: the total is capped too (a burst of 400, then 200 a second).
    addresses = int(3000 * SCALE)
    socks = []
    start = time.monotonic()
    for n in range(100, 100 + addresses):
        socks += send_from(flood_address(n), [b"scan"])
    got = count_replies(socks, wait=1.0)
    elapsed = time.monotonic() - start
    close_all(socks)
    assert got <= 400 + 200 * elapsed + 1, f"{got} replies to {addresses} scans in {elapsed:.2f} s"
    assert answered(phone)
    # Once the flood is over the phone's own scan is answered again.
    time.sleep(2.5)
    phone.send("scan")
    assert (phone.recv() or "").startswith("device_info:")


@pytest.mark.skipif(SANITIZED or SCALE < 1, reason="sanitizer allocators keep freed memory")
def test_memory_returns_once_flooded_endpoints_age_out(agent, phone):
    for n in range(1000):
        close_all(send_from(flood_address(n), [b"[0]"], ports=4))
    time.sleep(0.5)
    base = rss_kb(agent, "RssAnon:")
    for n in range(1000, 26000):
        close_all(send_from(flood_address(n), [b"[%d]" % n], ports=4))
    assert answered(phone)
    peak = rss_kb(agent, "RssAnon:")
    # Idle endpoints go after 120 s; the sweep runs every 30 s and then hands
    # the freed memory back. The phone keeps its own endpoint alive meanwhile.
    for _ in range(17):
        time.sleep(10)
        assert answered(phone)
    aged = rss_kb(agent, "RssAnon:")
    assert aged < base + max(2048, (peak - base) // 2), \
        f"private memory {base} kB before, {peak} kB after the flood, {aged} kB aged"
