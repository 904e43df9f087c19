"""The agent over real UDP on 127.0.0.1:3000 under the record backend."""
import json
import os
import pathlib
import re
import socket
import subprocess
import time

import pytest

from tarsel_harness import CTL, PIN, READY, SERVER, Agent, Phone, wait_until

INVALID = '{"error":"invalid_pin"}'


def test_start_up_banner_and_advertisement(agent):
    time.sleep(0.2)  # anything that would follow the ready line
    lines = agent.lines()
    assert lines[0] == "🔑 [Static PIN Mode] Using custom PIN from command-line"
    assert lines[1] == "✅ 손쉬운 사용 권한: 부여됨"  # trusted: one line, no alert
    assert agent.effects("alert") == []
    i = lines.index("🔍 포트 3000 사용 중인 프로세스 확인 중...")  # a free port: no pause
    assert lines[i + 1] == "✅ 포트 3000는 사용 가능합니다."
    assert not any(l.startswith("🔨 프로세스") for l in lines)
    assert "🔒 접속 PIN : [ 246810 ] (6 digits)" in lines
    assert any(l.startswith("📡 [mDNS] _tarsel._udp 광고 시작 (") and l.endswith(":3000)")
               for l in lines)
    assert [(a["type"], a["domain"], a["port"], bool(a["name"]))
            for a in agent.effects("advertise")] == [("_tarsel._udp.", "local.", 3000, True)]
    # Other users read the process list: the PIN argument is hidden there.
    cmdline = pathlib.Path(f"/proc/{agent.proc.pid}/cmdline").read_bytes()
    assert PIN.encode() not in cmdline and cmdline.split(b"\0")[1] == b"******"


def test_discovery_then_ping(agent, phone):
    phone.send("  scan\n")
    reply = phone.recv()
    assert reply.startswith("device_info:") and reply.split("|")[-3:] == ["mac", PIN, "1.0.16"]
    phone.request("ping")
    assert phone.recv() is None  # the scan closed this connection's loop...
    time.sleep(0.15)
    phone.request("ping")        # ...and the next datagram opens a fresh one
    assert phone.recv() == "pong"


def test_lockout_after_ten_failures_spares_only_the_proven_phone(agent, phone):
    proven = Phone()
    proven.request("ping")
    assert proven.recv() == "pong"
    for _ in range(10):
        phone.request("ping", pin="000000")
        assert phone.recv() == INVALID
    agent.wait_for("⛔️ [Security] IP 127.0.0.1 차단됨 (5분간 접속 불가)")
    phone.request("ping")  # locked: silence, connection closed
    assert phone.recv(0.5) is None
    other = Phone()
    other.request("ping")  # same address, other port: still locked
    assert other.recv(0.5) is None
    other.send('{"type":"scan"}')  # and not even discovery answers
    assert other.recv(0.5) is None
    proven.request("ping")  # the endpoint that proved the PIN keeps working
    assert proven.recv() == "pong"
    proven.request("text", pin="000001", text="guess")  # until a wrong PIN comes from it
    assert proven.recv() == INVALID
    proven.request("ping")
    assert proven.recv(0.5) is None
    assert agent.effects("clipboard") == []


def test_endpoints_are_independent_and_broken_datagrams_reopen(agent):
    a, b = Phone(), Phone()
    a.send(b"\xff\xfe")  # invalid UTF-8 closes a's connection without a word
    b.request("ping")
    assert b.recv() == "pong"
    time.sleep(0.05)
    a.request("ping")
    assert a.recv() == "pong"
    a.send("[1,2,3]")
    a.send("not json")
    a.request("ping")
    assert a.recv() == "pong"
    assert any(l.startswith("⚠️  JSON 파싱 실패 (127.0.0.1): ") for l in agent.lines())
    assert not any("인증 실패" in l for l in agent.lines())


def test_hostile_datagrams_do_not_hurt_other_phones(agent, phone):
    hostile = Phone()
    payloads = [b"\x00" * 65507, b"[" * 60000, b"{" * 10 + b"}" * 10, b'"str"', b"1e999",
                json.dumps({"pin": PIN, "type": ["x"], "dx": {"a": 1}}).encode(),
                json.dumps({"pin": PIN, "type": "move", "dx": 1e300, "dy": "x"}).encode(),
                b"x" * 65000, "\u200bscan".encode(),
                json.dumps({"pin": PIN, "type": "a\nforged line"}).encode()]
    for p in payloads * 20:
        hostile.sock.sendto(p, ("127.0.0.1", 3000))
    phone.request("ping")
    assert phone.recv(3.0) == "pong"
    # The log stays whole short lines of valid UTF-8, none of them forged, and
    # parse failures are logged at a capped rate.
    lines = agent.log_path.read_bytes().decode("utf-8").splitlines()
    assert max(len(l.encode()) for l in lines) < 300, max(lines, key=len)
    assert "forged line" not in lines
    assert 1 <= sum("JSON 파싱 실패" in l for l in lines) <= 10


def test_tarselctl_scan_and_ping(agent):
    for (command, *rest), code, out, err in (
            (("scan",), 0, "device_info:", ""), (("ping", "--pin", PIN), 0, "pong", ""),
            (("ping", "--pin", "1"), 2, "", "invalid PIN"),
            (("ping", "--pin", PIN, "--port", "3999", "--timeout", "0.3"), 1, "", "")):
        r = subprocess.run([str(CTL), command, "127.0.0.1", *rest], capture_output=True, text=True)
        assert r.returncode == code and r.stdout.startswith(out) and err in r.stderr, r


def test_tarselctl_trusts_only_the_agents_port_and_escapes_what_it_prints():
    fake = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
    fake.bind(("127.0.0.1", 3999))
    other = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)  # another port of the same host
    for (command, *rest), answer, via, code, out in (
            (("ping", "--pin", PIN), b"pong", other, 1, ""),
            (("ping", "--pin", PIN), b"hello", fake, 1, ""),
            (("scan",), b"device_info:\x1b[2J\x1b]0;x\x07|1.2.3.4|mac||1", fake, 0,
             "device_info:\\x1b[2J\\x1b]0;x\\x07|1.2.3.4|mac||1\n")):
        ctl = subprocess.Popen([str(CTL), command, "127.0.0.1", *rest, "--port", "3999",
                                "--timeout", "0.5"], stdout=subprocess.PIPE,
                               stderr=subprocess.PIPE, text=True)
        _, client = fake.recvfrom(2048)
        via.sendto(answer, client)
        stdout, stderr = ctl.communicate(timeout=5)
        assert (ctl.returncode, stdout) == (code, out), (command, answer, stderr)
    fake.close()
    other.close()


def test_tarselctl_timeout_bounds_the_whole_command_and_output_is_cut_at_1_mib(tmp_path):
    fake = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
    fake.bind(("127.0.0.1", 3999))
    chunk = json.dumps({"type": "shortcuts_sync", "shortcuts_db": {"x": "y" * 900}}).encode()
    # Chunks until the command ends: fast ones that must be cut at 1 MiB, or a
    # slow stream that must not keep it beyond its time limit.
    for raw, pause, timeout in ((["--raw"], 0.0005, "10"), ([], 0.1, "0.5")):
        started = time.monotonic()
        out = open(tmp_path / "out", "w+b")  # a pipe would stall the reader
        ctl = subprocess.Popen([str(CTL), "fetch", "127.0.0.1", "--pin", PIN, *raw, "--port",
                                "3999", "--timeout", timeout], stdout=out,
                               stderr=subprocess.PIPE)
        _, client = fake.recvfrom(2048)
        while ctl.poll() is None and time.monotonic() - started < 8:
            fake.sendto(chunk, client)
            time.sleep(pause)
        _, stderr = ctl.communicate(timeout=5)
        stdout = (tmp_path / "out").read_bytes()
        if raw:
            assert len(stdout) <= 1 << 20 and b"output cut at 1 MiB" in stderr
        else:
            assert time.monotonic() - started < 2, "each wait was bounded, not the command"
    fake.close()


def test_the_control_socket_moves_to_the_cache_when_another_user_holds_its_tmp_folder(tmp_path):
    tmp = tmp_path / "tmp"
    (tmp / f"tarsel-{os.getuid()}").mkdir(parents=True, mode=0o777)  # open to everyone
    (tmp / f"tarsel-{os.getuid()}").chmod(0o777)
    a = Agent(home=tmp_path, env={"XDG_RUNTIME_DIR": "", "TMPDIR": str(tmp)})
    a.wait_for(READY)
    assert wait_until((tmp_path / ".cache/tarsel/run/ctl").is_socket)
    assert oct((tmp_path / ".cache/tarsel/run").stat().st_mode & 0o777) == "0o700"
    r = subprocess.run([str(CTL), "pair", "--app"], capture_output=True, text=True, env=a.env,
                       timeout=10)
    assert r.returncode == 0 and r.stdout.startswith(f"PIN {PIN}, pairing open"), r


def test_pin_and_layout_of_an_earlier_version_survive_the_move_and_restarts(tmp_path):
    old = tmp_path / "Library/Application Support/TarselServer"
    old.mkdir(parents=True)
    (old / "config.json").write_text('{"pin":"482913","version":"1.0"}')
    (old / "shortcuts_db.json").write_text('{"apps":[{"label":"a"}]}')
    for run in range(2):
        a = Agent(args=(), home=tmp_path, env={"XDG_CONFIG_HOME": str(tmp_path / "xdg")})
        a.wait_for(READY)
        assert "🔑 [Config] Loaded existing PIN from config" in a.lines()[run == 0]
        assert f"📂 데이터 경로: {tmp_path}/xdg/tarsel" in a.lines()
        p = Phone()
        p.request("ping", pin="482913")
        assert p.recv() == "pong"
        # A start with the stored PIN keeps it out of discovery until the user
        # opens the phone app's pairing on this computer (browser pairing never
        # puts it there).
        for pair, pin in ((None, ""), ("pair", ""), ("pair --app", "482913"), ("pair --close", "")):
            if pair:
                r = subprocess.run([str(CTL), *pair.split()], capture_output=True, text=True,
                                   env=a.env, timeout=10)
                assert r.returncode == 0 and {"pair": "#pair=", "pair --app": "PIN 482913, pairing "
                                              "open for 2:00"}.get(pair, "pairing closed") in r.stdout, r
            scanner = Phone()
            scanner.send("scan")
            assert scanner.recv().split("|")[3] == pin
        a.stop()
    assert not old.exists()
    assert json.loads((tmp_path / "xdg/tarsel/shortcuts_db.json").read_text()) == {
        "apps": [{"label": "a"}]}


@pytest.mark.parametrize("tool", [SERVER, CTL])
def test_help_and_version_print_and_exit_zero(tool):
    for flag, expected in (("--help", r"usage: " + tool.name + r" "),
                           ("--version", tool.name + r" \d+\.\d+\.\d+\n$")):
        out = subprocess.run([str(tool), flag], capture_output=True, text=True, timeout=5)
        assert out.returncode == 0 and re.match(expected, out.stdout), (flag, out)


def test_an_unknown_option_is_a_usage_error_not_the_pin():
    for wrong in ("--pin", "-p", "-"):
        out = subprocess.run([str(SERVER), wrong, "123456"], capture_output=True, text=True,
                             timeout=5)
        assert (out.returncode, out.stdout) == (64, ""), (wrong, out)
        assert out.stderr.startswith(f"tarsel-server: unknown option {wrong}\nusage: "), out
