"""At start the agent ends whatever holds UDP port 3000, and nothing else."""
import signal
import socket
import subprocess
import sys
import time

from tarsel_harness import READY, Agent

# Each helper binds/connects as told, prints "ready", then waits to be ended.
HELPER = r"""
import socket, sys, time
kind = sys.argv[1]
if kind == "udp-holder":
    s = socket.socket(socket.AF_INET, socket.SOCK_DGRAM); s.bind(("127.0.0.1", 3000))
elif kind == "tcp-listener":
    s = socket.socket(); s.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    s.bind(("127.0.0.1", 3000)); s.listen()
elif kind == "tcp-client":
    s = socket.create_connection(("127.0.0.1", 3000))
elif kind == "udp-client":
    s = socket.socket(socket.AF_INET, socket.SOCK_DGRAM); s.connect(("127.0.0.2", 3000))
print("ready", flush=True)
time.sleep(120)
"""


def helper(kind):
    p = subprocess.Popen([sys.executable, "-c", HELPER, kind], stdout=subprocess.PIPE, text=True)
    assert p.stdout.readline().strip() == "ready"
    return p


def cleanup_lines(lines):
    start = lines.index("🔍 포트 3000 사용 중인 프로세스 확인 중...")
    end = next(i for i in range(start, len(lines)) if lines[i].startswith("✅ 포트"))
    return lines[start:end + 2]


def test_only_the_udp_holder_of_the_port_is_killed():
    holder = helper("udp-holder")
    bystanders = [helper(k) for k in ("tcp-listener", "tcp-client", "udp-client")]
    a = Agent()
    try:
        a.wait_for(READY)
        assert holder.wait(10) == -signal.SIGKILL
        for b in bystanders:
            assert b.poll() is None, "a process without a UDP socket on local port 3000 was ended"
        pid = holder.pid
        assert cleanup_lines(a.lines()) == [
            "🔍 포트 3000 사용 중인 프로세스 확인 중...",
            f"⚠️  포트 3000를 사용 중인 프로세스 발견: PID {pid}",
            f"🔨 프로세스 {pid} 종료 중...",
            f"✅ 프로세스 {pid} 종료 완료",
            "✅ 포트 정리 완료",
            "",
        ]
    finally:
        a.stop()
        for p in [holder, *bystanders]:
            p.kill()
            p.wait()


def test_a_new_agent_takes_the_port_over_from_a_running_copy():
    old = Agent()
    old.wait_for(READY)
    new = Agent()
    try:
        new.wait_for(READY)
        assert old.proc.wait(10) == -signal.SIGKILL
        assert f"🔨 프로세스 {old.proc.pid} 종료 중..." in new.lines()
        s = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
        s.settimeout(2)
        s.sendto(b"scan", ("127.0.0.1", 3000))
        assert s.recv(4096).startswith(b"device_info:")
        s.close()
    finally:
        old.stop()
        assert new.stop() == 0


def test_a_signal_during_start_up_ends_it_in_order():
    holder = helper("udp-holder")
    a = Agent()
    try:
        a.wait_for("🔨 프로세스")  # inside the port clean-up's pause
        assert a.stop() == 0
        lines = a.lines()
        assert lines.index(READY) < lines.index("🛑 서버 종료 중...")
        assert lines[-1] == "✅ 정리 완료"
    finally:
        holder.kill()
        holder.wait()
