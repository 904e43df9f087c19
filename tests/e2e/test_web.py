"""The browser remote end to end: the real agent's page server over real TCP on loopback."""
import gzip
import json
import pathlib
import re
import socket
import subprocess
import time

import pytest
import websocket

from tarsel_harness import BUILD, CTL, PIN, READY, Agent, Phone, wait_until
from web_client import WEB_PORT, WebClient, b64u, token_keys, unb64u

WEB = pathlib.Path(__file__).resolve().parents[2] / "web"


def ctl(agent, *args):
    return subprocess.run([str(CTL), *args], capture_output=True, text=True, env=agent.env,
                          timeout=10)


def pairing_token(agent):
    r = ctl(agent, "pair")
    assert r.returncode == 0, r
    return re.search(r"#pair=([A-Za-z0-9_-]+)", r.stdout).group(1)


def paired(agent, name="Test Browser"):
    """A proven connection, paired by a fresh QR code."""
    c = WebClient()
    ready = c.prove(c.pair(pairing_token(agent), name))
    assert ready["t"] == "ready" and ready["computer"], ready
    return c, ready["id"]


def http(request):
    with socket.create_connection(("127.0.0.1", WEB_PORT), timeout=3) as s:
        s.sendall(request.encode())
        data = b""
        while chunk := s.recv(65536):
            data += chunk
    head, _, body = data.partition(b"\r\n\r\n")
    return head.decode(), body


@pytest.fixture
def agent():
    a = Agent()
    a.wait_for("🌐 [Web] 휴대폰 브라우저 페이지")
    return a


def test_the_page_is_served_with_its_security_headers_and_refusals(agent):
    head, body = http(f"GET / HTTP/1.1\r\nHost: 127.0.0.1:{WEB_PORT}\r\nAccept-Encoding: gzip\r\n"
                      "Connection: close\r\n\r\n")
    assert head.startswith("HTTP/1.1 200") and gzip.decompress(body) == (WEB / "index.html").read_bytes()
    for header in ("Content-Security-Policy: default-src 'self'; script-src 'self'; connect-src "
                   "'self'; img-src 'self' data:; frame-ancestors 'none'", "X-Frame-Options: DENY",
                   "Referrer-Policy: no-referrer", "Cache-Control: no-cache"):
        assert header in head
    etag = re.search(r"ETag: (\S+)", head).group(1)
    head, body = http(f"GET /app.js HTTP/1.1\r\nHost: localhost:{WEB_PORT}\r\n"
                      "Connection: close\r\n\r\n")
    # app.js as the build wrote it, with the catalogs' page texts
    assert head.startswith("HTTP/1.1 200") and body == (BUILD / "web/app.js").read_bytes()
    assert '"Connected":"연결됨"' in body.decode()
    head, _ = http(f"GET / HTTP/1.1\r\nHost: 127.0.0.1:{WEB_PORT}\r\nIf-None-Match: {etag}\r\n"
                   "Connection: close\r\n\r\n")
    assert head.startswith("HTTP/1.1 304")
    refusals = [
        (f"GET / HTTP/1.1\r\nHost: attacker.example:{WEB_PORT}\r\n\r\n", 403),  # DNS rebinding
        ("GET / HTTP/1.1\r\nHost: 127.0.0.1:80\r\n\r\n", 403),
        (f"GET / HTTP/1.1\r\nHost: 127.0.0.1:{WEB_PORT}\r\nHost: evil:1\r\n\r\n", 400),
        (f"POST / HTTP/1.1\r\nHost: 127.0.0.1:{WEB_PORT}\r\nContent-Length: 0\r\n\r\n", 405),
        (f"GET / HTTP/1.1\r\nHost: 127.0.0.1:{WEB_PORT}\r\nX: {'a' * 9000}\r\n\r\n", 431),
        (f"GET / HTTP/1.1\r\nHost: 127.0.0.1:{WEB_PORT}\r\n folded\r\n\r\n", 400),
        ("GARBAGE\r\n\r\n", 400),
        (f"GET /nothing HTTP/1.1\r\nHost: 127.0.0.1:{WEB_PORT}\r\n\r\n", 404),
        (f"GET /ws HTTP/1.1\r\nHost: 127.0.0.1:{WEB_PORT}\r\nOrigin: http://attacker.example\r\n"
         "Upgrade: websocket\r\nConnection: Upgrade\r\nSec-WebSocket-Version: 13\r\n"
         "Sec-WebSocket-Key: dGhlIHNhbXBsZSBub25jZQ==\r\n\r\n", 403),
        (f"GET /ws HTTP/1.1\r\nHost: 127.0.0.1:{WEB_PORT}\r\nOrigin: http://127.0.0.1:{WEB_PORT}\r\n"
         "Upgrade: websocket\r\nConnection: Upgrade\r\nSec-WebSocket-Version: 8\r\n"
         "Sec-WebSocket-Key: dGhlIHNhbXBsZSBub25jZQ==\r\n\r\n", 400),
    ]
    for request, status in refusals:
        head, _ = http(request)
        assert head.startswith(f"HTTP/1.1 {status}") and "X-Frame-Options: DENY" in head, (request, head)
    assert "⛔️ [Web] 요청 거절 (127.0.0.1): 403 foreign Host attacker.example:3090" in agent.lines()


def test_a_qr_code_pairs_once_and_its_browser_drives_the_computer_as_a_phone_would(agent):
    token = pairing_token(agent)
    assert token not in agent.log()
    c = WebClient()
    ready = c.prove(c.pair(token, "Chrome on Android"))
    assert ready["t"] == "ready"
    assert any("🌐 [Web] 새 브라우저 페어링: Chrome on Android (127.0.0.1)" in l for l in agent.lines())
    # The same commands over UDP and sealed over the WebSocket make the same effects.
    commands = [{"type": "move", "dx": 5, "dy": -3}, {"type": "click"}, {"type": "text", "text": "안녕하세요"},
                {"type": "scroll", "dy": 2}, {"type": "enter"}]
    phone = Phone()
    for command in commands:
        phone.request(command["type"], **{k: v for k, v in command.items() if k != "type"})
    inputs = lambda: [e for e in agent.effects() if e["op"] in ("mouse", "clipboard", "key", "scroll")]
    udp = wait_until(lambda: len(inputs()) == 9 and inputs())
    time.sleep(0.8)  # past the double-click interval
    for command in commands:
        c.send(command)
    web = wait_until(lambda: len(inputs()) == 18 and inputs()[9:])
    strip = lambda effects: [{k: v for k, v in e.items() if k not in ("t", "x", "y")} for e in effects]
    assert strip(web) == strip(udp)
    # The pointer starts at the record backend's centre (500, 400): both moves went as far.
    assert (web[0]["x"] - udp[0]["x"], web[0]["y"] - udp[0]["y"]) == (udp[0]["x"] - 500,
                                                                      udp[0]["y"] - 400)
    acks = []
    c.send({"type": "ping"})
    while (reply := c.recv()) != "pong":
        acks.append(json.loads(reply)["n"])
    assert acks and acks == sorted(acks) and acks[-1] <= 6
    # The token works once; a fresh one pairs the next browser; none once pairing is closed.
    assert WebClient().pair(token) == {"t": "refused", "why": "expired"}
    second, _ = paired(agent, "Second")
    late = pairing_token(agent)
    assert ctl(agent, "pair", "--close").returncode == 0
    assert WebClient().pair(late) == {"t": "refused", "why": "expired"}
    # The key comes back on the next connection.
    again = WebClient()
    assert again.prove(again.hello(ready["id"], c.key))["t"] == "ready"
    assert c.closed(), "one live connection per browser"


def test_a_browser_without_a_camera_pairs_when_the_user_approves_the_code(agent):
    c = WebClient()
    code = c.exchange("Safari on iPhone")
    state = ctl(agent, "pair")
    assert f"Safari on iPhone from 127.0.0.1, code {code}" in state.stdout, state
    assert ctl(agent, "pair", "--approve", code).stdout.strip() == "approved"
    challenge = c.recv_plain()
    assert challenge["t"] == "challenge" and c.prove(challenge)["t"] == "ready"
    denied = WebClient()
    code = denied.exchange()
    newer = WebClient()
    newer_code = newer.exchange()
    assert denied.recv_plain() == {"t": "refused", "why": "replaced"}
    assert ctl(agent, "pair", "--approve", code).returncode == 1  # no longer waits
    assert ctl(agent, "pair", "--deny", newer_code).stdout.strip() == "denied"
    assert newer.recv_plain() == {"t": "refused", "why": "denied"}
    ctl(agent, "pair", "--close")
    assert WebClient().plain({"t": "hello"}) is None
    closed = WebClient()
    closed.plain({"t": "exchange", "key": b64u(bytes(32)), "nonce": b64u(bytes(16)), "name": "x"})
    assert closed.recv_plain() == {"t": "refused", "why": "closed"}


def test_a_forgotten_browser_is_cut_off_at_once_and_cannot_return(agent):
    c, browser_id = paired(agent, "Old phone")
    listed = ctl(agent, "web", "list").stdout
    assert browser_id in listed and "Old phone" in listed and "127.0.0.1" in listed
    stored = json.loads((agent.home / ".config/tarsel/browsers.json").read_text())
    assert oct((agent.home / ".config/tarsel/browsers.json").stat().st_mode & 0o777) == "0o600"
    assert stored["browsers"][0]["id"] == browser_id and b64u(c.key) not in agent.log()
    start = time.monotonic()
    assert ctl(agent, "web", "forget", browser_id).stdout.strip() == "forgot 1 browser"
    c.ws.settimeout(1.0)
    assert c.closed() and time.monotonic() - start < 1.5
    back = WebClient()
    assert back.hello(browser_id, c.key) == {"t": "refused", "why": "unknown"}


def test_captured_bytes_hold_no_secret_and_replay_nothing(agent):
    token = pairing_token(agent)
    c = WebClient()
    ready = c.prove(c.pair(token))
    c.send({"type": "text", "text": "secret text"})
    again = WebClient()
    again.prove(again.hello(ready["id"], c.key))
    again.send({"type": "move", "dx": 1, "dy": 1})
    agent.wait_effects("clipboard", 1) and agent.wait_effects("mouse", 1)
    before = len(agent.effects())
    wire = b"".join(data for _, data in c.wire + again.wire)
    raw_token = unb64u(token)
    for secret in (raw_token, c.key):
        for form in (secret, secret.hex().encode(), b64u(secret).encode(),
                     __import__("base64").b64encode(secret).rstrip(b"=")):
            assert form not in wire
    assert b"secret text" not in wire and token.encode() not in wire
    # The client's bytes replayed on new connections: the token is used, the
    # proof answers an old challenge, and nothing reaches the computer.
    upgrade = (f"GET /ws HTTP/1.1\r\nHost: 127.0.0.1:{WEB_PORT}\r\nOrigin: http://127.0.0.1:"
               f"{WEB_PORT}\r\nUpgrade: websocket\r\nConnection: Upgrade\r\n"
               "Sec-WebSocket-Version: 13\r\nSec-WebSocket-Key: dGhlIHNhbXBsZSBub25jZQ==\r\n\r\n")
    for recorded in (c.wire, again.wire):
        with socket.create_connection(("127.0.0.1", WEB_PORT), timeout=2) as s:
            s.sendall(upgrade.encode())
            try:
                for direction, chunk in recorded:
                    if direction == "out":
                        s.sendall(chunk)
                        time.sleep(0.05)
            except OSError:
                pass  # refused and closed, as it should be
    wait_until(lambda: "wrong proof" in agent.log())
    assert "⛔️ [Web] 연결 거절 (127.0.0.1): expired" in agent.lines()
    time.sleep(0.3)
    assert len(agent.effects()) == before


def test_bad_frames_and_seals_close_the_connection_and_change_nothing(agent):
    _, browser_id = paired(agent)
    key = json_key = None
    stored = json.loads((agent.home / ".config/tarsel/browsers.json").read_text())["browsers"][0]
    key = unb64u(stored["key"])
    def proven():
        c = WebClient()
        assert c.prove(c.hello(browser_id, key))["t"] == "ready"
        return c
    cases = {
        "binary message": lambda c: c.ws.send_binary(b"\x00\x01"),
        "invalid UTF-8": lambda c: c.ws.send(b"\xff\xfe", opcode=websocket.ABNF.OPCODE_TEXT),
        "bad tag": lambda c: c.ws.send(c.frame({"type": "click"})[:-2] + "AA"),
        "repeated counter": lambda c: (c.send({"type": "ping"}, 5), c.send({"type": "click"}, 5)),
        "unmasked frame": lambda c: c.ws.sock.send(b"\x81\x02hi"),
        "oversized message": lambda c: c.ws.send("x" * 70000),
        "not base64url": lambda c: c.ws.send("!!!!"),
    }
    before = len(agent.effects())
    for why, attack in cases.items():
        c = proven()
        attack(c)
        assert c.closed(), why
    time.sleep(0.2)
    assert len(agent.effects()) == before
    # An unproven connection gets the same: a wrong proof closes it.
    c = WebClient()
    c.key = bytes(32)
    challenge = c.hello(browser_id, bytes(32))
    assert c.prove(challenge) == {"t": "refused", "why": "wrong proof"}
