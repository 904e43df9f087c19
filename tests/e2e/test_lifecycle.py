"""The agent's life on the host: at start it ends whatever holds UDP port 3000
(and nothing else) and registers itself as a systemd user unit for start at
log-in; SIGTERM, SIGINT and SIGHUP end it through the orderly shutdown."""
import json
import os
import pathlib
import shutil
import socket
import signal
import subprocess
import sys
import tempfile

import pytest

import tarsel_harness
from tarsel_harness import CTL, READY, SERVER, Agent, Phone, require, track, wait_until

def started(home=None, env=None):
    a = Agent(home=home, env=env)
    a.wait_for(READY)
    return a


# Each helper binds/connects as told, prints "ready", then waits to be ended.
HELPER = r"""
import socket, sys, time
kind = sys.argv[1]
s = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
s.bind(("127.0.0.1", 3000)) if kind == "udp-holder" else s.connect(("127.0.0.2", 3000))
print("ready", flush=True)
time.sleep(120)
"""


def helper(kind):
    p = track(subprocess.Popen([sys.executable, "-c", HELPER, kind], stdout=subprocess.PIPE,
                               text=True))
    assert p.stdout.readline().strip() == "ready"
    return p


def cleanup_lines(lines):
    start = lines.index("🔍 포트 3000 사용 중인 프로세스 확인 중...")
    end = next(i for i in range(start, len(lines)) if lines[i].startswith("✅ 포트"))
    return lines[start:end + 2]


def test_only_the_udp_holder_of_the_port_is_killed():
    holder = helper("udp-holder")
    bystander = helper("udp-client")  # to someone else's port 3000
    a = started()
    assert holder.wait(10) == -signal.SIGTERM  # asked to end, and it did
    assert bystander.poll() is None, "a process without local UDP port 3000 was ended"
    pid = holder.pid
    assert cleanup_lines(a.lines()) == [
        "🔍 포트 3000 사용 중인 프로세스 확인 중...", f"⚠️  포트 3000를 사용 중인 프로세스 발견: PID {pid}",
        f"🔨 프로세스 {pid} 종료 중...", f"✅ 프로세스 {pid} 종료 완료", "✅ 포트 정리 완료", ""]


def test_a_new_agent_takes_the_port_over_from_a_running_copy():
    old = started()
    new = started()
    assert old.proc.wait(10) == 0  # ended in order: a service manager does not restart it
    assert old.lines()[-1] == "✅ 정리 완료"
    assert f"🔨 프로세스 {old.proc.pid} 종료 중..." in new.lines()
    phone = Phone()
    phone.send("scan")
    assert phone.recv().startswith("device_info:")
    assert new.stop() == 0


def test_two_copies_started_together_leave_one_serving_the_stored_pin(tmp_path):
    for round_ in range(3):
        home = tmp_path / str(round_)
        home.mkdir()
        copies = [Agent(args=(), home=home) for _ in range(2)]
        # One listens (a copy that cannot bind beside it does not serve).
        assert wait_until(lambda: all(c.proc.poll() is not None or "서버" in c.log()
                                      for c in copies) and
                          sum(READY in c.log() and c.proc.poll() is None for c in copies) == 1, 15)
        stored = json.loads((home / ".config/tarsel/config.json").read_text())["pin"]
        phone = Phone()
        phone.request("ping", pin=stored)
        assert phone.recv() == "pong", (stored, [c.log() for c in copies])
        for c in copies:
            c.stop()


def test_a_port_another_user_holds_is_retried_until_it_is_free(monkeypatch):
    # Root holds the port; the agent, as nobody, can neither see nor end it.
    require(shutil.which("setpriv"), "setpriv")
    holder = helper("udp-holder")
    home = pathlib.Path(tempfile.mkdtemp(prefix="tarsel-nobody-"))
    server = home / "tarsel-server"  # the build tree may be closed to nobody
    shutil.copy2(SERVER, server)
    shutil.copytree(SERVER.parent / "locale", home / "locale")
 # its catalogs beside it
    wrapper = home / "as-nobody"
    wrapper.write_text("#!/bin/sh\nexec setpriv --reuid=65534 --regid=65534 --clear-groups "
                       f'"{server}" "$@"\n')
    wrapper.chmod(0o755)
    os.chown(home, 65534, 65534)
    monkeypatch.setattr(tarsel_harness, "SERVER", wrapper)
    web = socket.socket()  # root holds the page's port too
    web.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    web.bind(("0.0.0.0", 3090))
    web.listen()
    a = Agent(home=home, env={"XDG_RUNTIME_DIR": ""})  # the runtime folder is root's
    a.wait_for("❌ 서버 시작 실패: Address already in use — 몇 초마다 다시 시도합니다")
    assert "⚠️  포트 3000를 쓰는 프로세스를 찾지 못했습니다 (다른 사용자의 프로세스일 수 있음)" in a.lines()
    assert "✅ 포트 3000는 사용 가능합니다." not in a.lines()
    # The holder's user is named from the kernel's socket table, though its
    # process is hidden from nobody; the menu and an alert say so too.
    assert ("⛔️ [Security] 다른 사용자의 프로그램이 UDP 포트 3000을 쓰고 있습니다: root — "
            "지금 연결하는 휴대폰의 PIN을 그 프로그램이 받습니다") in a.lines()
    assert (a.wait_effects("menu", 1)[0]["items"][0]["title"]
            == "⚠️  포트 3000을 다른 사용자(root)가 쓰는 중 — 재시도 중")
    alert = a.wait_effects("alert", 1)[-1]
    assert alert["message"] == "다른 사용자가 UDP 포트 3000을 쓰고 있습니다" and \
        "다른 사용자 root의 프로그램이" in alert["informative"], alert
    a.wait_for("⛔️ [Security] 다른 사용자의 프로그램이 TCP 포트 3090을 쓰고 있습니다: root — "
               "그 프로그램에 브라우저를 페어링하지 마세요")
    ctl = home / "tarselctl"
    shutil.copy2(CTL, ctl)
    pair = lambda: subprocess.run(["setpriv", "--reuid=65534", "--regid=65534", "--clear-groups",
                                   str(ctl), "pair"], capture_output=True, text=True, env=a.env,
                                  timeout=10)
    refused = pair()
    assert refused.returncode == 1 and "another user (root) holds the web port: no QR code" \
        in refused.stderr and "#pair=" not in refused.stdout, refused
    holder.terminate()
    web.close()
    a.wait_for(READY)
    a.wait_for("🌐 [Web] 웹 포트 3090 대기 중")
    assert "#pair=" in pair().stdout
    assert wait_until(lambda: not a.effects("menu")[-1]["items"][0]["title"].startswith("⚠️"), 7)
    phone = Phone()
    phone.request("ping")
    assert phone.recv() == "pong"
    assert a.log().count("❌ 서버 시작 실패") == 1  # the failure once, its end once


def test_a_fifo_and_a_device_in_place_of_the_settings_do_not_stop_the_agent(tmp_path):
    data = tmp_path / ".config/tarsel"
    data.mkdir(parents=True)
    os.mkfifo(data / "config.json")
    os.symlink("/dev/zero", data / "shortcuts_db.json")
    a = Agent(args=(), home=tmp_path)
    a.wait_for(READY)
    assert any(l.startswith("⚠️ [Config] Failed to load config: ") for l in a.lines())
    pin = json.loads((data / "config.json").read_text())["pin"]  # a new one, in a real file
    phone = Phone()
    phone.request("fetch_shortcuts", pin=pin)  # the device is not read: nothing to send
    phone.request("ping", pin=pin)
    assert phone.recv() == "pong"


def test_a_signal_during_start_up_ends_it_in_order():
    helper("udp-holder")
    a = Agent()
    a.wait_for("🔨 프로세스")  # inside the port clean-up's pause
    assert a.stop() == 0
    lines = a.lines()
    assert lines.index(READY) < lines.index("🛑 서버 종료 중...")
    assert lines[-1] == "✅ 정리 완료"


UNIT = ".config/systemd/user/tarsel-server.service"
WANTS = ".config/systemd/user/graphical-session.target.wants/tarsel-server.service"


def run_once(home):
    a = started(home)
    assert a.stop() == 0
    return a.lines()


def test_unit_is_written_enabled_accepted_by_systemd_and_logged_once(monkeypatch):
    require(shutil.which("systemd-analyze"), "systemd-analyze")
    # The home and the binary in folders with spaces, ampersands and percent signs.
    home = pathlib.Path(tempfile.mkdtemp(prefix="tarsel home & 100% "))
    server = home / "my apps & 50%" / "tarsel-server"
    server.parent.mkdir()
    shutil.copy2(SERVER, server)
    shutil.copytree(SERVER.parent / "locale", server.parent / "locale")  # its catalogs beside it
    monkeypatch.setattr(tarsel_harness, "SERVER", server)
    lines = run_once(home)
    unit = home / UNIT
    i = lines.index(f"✅ 자동 시작 등록 (systemd 사용자 유닛): {unit}")
    # Start-up order: the permission line, the registration, the pairing window
    # (this start was given its PIN), then the port cleanup.
    assert lines[i - 1:i + 4] == ["✅ 손쉬운 사용 권한: 부여됨", lines[i],
                                  "   → 다음 로그인·재부팅부터 자동 시작됨",
                                  "📡 [Pairing] 페어링 열림: 10분 동안 검색 응답에 PIN을 보냅니다",
                                  "🔍 포트 3000 사용 중인 프로세스 확인 중..."]
    settings = unit.read_text(encoding="utf-8").splitlines()
    for line in ('ExecStart="' + str(server).replace("%", "%%") + '"', "Restart=on-failure",
                 "After=graphical-session.target", "PartOf=graphical-session.target",
                 "WantedBy=graphical-session.target"):
        assert line in settings
    assert not any(l.startswith("StandardOutput=") for l in settings)  # the journal keeps the log
    assert os.readlink(home / WANTS) == str(unit)
    assert not (home / "Library").exists() and not list(unit.parent.glob("*.tmp*"))
    (home / "runtime").mkdir(mode=0o700)
    result = subprocess.run(["systemd-analyze", "--user", "verify", str(unit)],
                            env=dict(os.environ, XDG_RUNTIME_DIR=str(home / "runtime")),
                            capture_output=True, text=True)
    assert result.returncode == 0, result.stdout + result.stderr
    before = unit.stat().st_mtime_ns
    assert not any(l.startswith("✅ 자동 시작 등록") for l in run_once(home))
    assert unit.stat().st_mtime_ns == before


def test_an_existing_unit_is_left_untouched_and_nothing_is_logged():
    home = pathlib.Path(tempfile.mkdtemp(prefix="tarsel-home-"))
    unit = home / UNIT
    unit.parent.mkdir(parents=True)
    unit.write_text("# edited by the user\n[Service]\nExecStart=/bin/false\n")
    lines = run_once(home)
    assert unit.read_text() == "# edited by the user\n[Service]\nExecStart=/bin/false\n"
    assert not (home / WANTS).exists()  # a disabled unit stays disabled
    assert not any(l.startswith(("✅ 자동 시작 등록", "⚠️ 자동 시작 등록 실패")) for l in lines)


SHUTDOWN = ["", "🛑 서버 종료 중...", "✅ 사용자 서비스 내림 (자동 재시작 차단)", "✅ 정리 완료"]
AS_UNIT = {"TARSEL_RECORD_UNIT": "1"}  # as if its systemd unit had started it


@pytest.mark.parametrize("sig", [signal.SIGTERM, signal.SIGINT, signal.SIGHUP])
def test_signal_runs_the_shutdown_and_exits_zero(sig):
    a = started(env=AS_UNIT)
    # A click's hold, a key's hold and a screenshot's timeline still pending.
    phone = Phone()
    for command in ("click", "copy", "screenshot_part"):
        phone.request(command)
    a.wait_effects("mouse", 1)
    assert a.stop(sig) == 0
    assert a.lines()[-4:] == SHUTDOWN
    assert a.log().count("🛑 서버 종료 중...") == 1
    assert [(u["action"], u["args"][1:]) for u in a.effects("login")] == [
        ("unload", ["--user", "stop", "--no-block", "tarsel-server.service"])]


def test_a_second_signal_during_the_shutdown_changes_nothing():
    a = started(env=AS_UNIT)
    for sig in (signal.SIGTERM, signal.SIGINT, signal.SIGTERM):
        a.proc.send_signal(sig)
    assert a.stop() == 0
    assert a.lines()[-4:] == SHUTDOWN
    assert a.log().count("🛑 서버 종료 중...") == 1
    assert len(a.effects("login")) == 1
    second = started()  # the port is free again; started by hand, no service to stop
    assert "✅ 포트 3000는 사용 가능합니다." in second.lines()
    assert second.stop() == 0
    assert second.lines()[-3:] == [SHUTDOWN[0], SHUTDOWN[1], SHUTDOWN[3]]
    assert second.effects("login") == []


def test_other_signals_keep_their_default_action():
    a = started()
    assert a.stop(signal.SIGUSR1) == -signal.SIGUSR1 and "🛑 서버 종료 중..." not in a.log()


def test_a_log_reader_that_went_away_does_not_end_the_agent(tmp_path):
    # Standard output a pipe whose reader is gone: every log line fails with
    # EPIPE, and the agent goes on (a wrong PIN from anyone logs a line).
    reader, writer = os.pipe()
    proc = track(subprocess.Popen([str(SERVER), tarsel_harness.PIN], stdout=writer,
                                  stderr=subprocess.STDOUT, env=tarsel_harness.agent_env(tmp_path)))
    os.close(writer)
    with os.fdopen(reader, "rb") as out:
        while READY.encode() not in out.readline():
            pass
    phone = Phone()
    phone.request("ping", pin="000000")
    assert phone.recv() == '{"error":"invalid_pin"}'
    phone.request("ping")
    assert phone.recv() == "pong" and proc.poll() is None
    proc.terminate()
    assert proc.wait(10) == 0


def test_a_wayland_display_that_cannot_be_reached_leaves_the_agent_serving(tmp_path):
    # Qt's Wayland platform used to abort the process on it (exit 134, nothing served).
    a = Agent(home=tmp_path, backend="wayland", env={"WAYLAND_DISPLAY": "wayland-nothing"})
    a.wait_for(READY)
    assert "⚠️ [Wayland] 컴포지터 wayland-nothing에 연결할 수 없어 headless로 실행합니다" in a.lines()
    phone = Phone()
    phone.request("ping")
    assert phone.recv() == "pong"
    assert a.stop() == 0
