"""At start the agent ends whatever holds UDP port 3000, and nothing else."""
import signal
import subprocess
import sys

from tarsel_harness import READY, Agent, Phone, track

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
    a = Agent()
    a.wait_for(READY)
    assert holder.wait(10) == -signal.SIGKILL
    assert bystander.poll() is None, "a process without local UDP port 3000 was ended"
    pid = holder.pid
    assert cleanup_lines(a.lines()) == [
        "🔍 포트 3000 사용 중인 프로세스 확인 중...",
        f"⚠️  포트 3000를 사용 중인 프로세스 발견: PID {pid}",
        f"🔨 프로세스 {pid} 종료 중...",
        f"✅ 프로세스 {pid} 종료 완료",
        "✅ 포트 정리 완료",
        "",
    ]


def test_a_new_agent_takes_the_port_over_from_a_running_copy():
    old = Agent()
    old.wait_for(READY)
    new = Agent()
    new.wait_for(READY)
    assert old.proc.wait(10) == -signal.SIGKILL
    assert f"🔨 프로세스 {old.proc.pid} 종료 중..." in new.lines()
    phone = Phone()
    phone.send("scan")
    assert phone.recv().startswith("device_info:")
    assert new.stop() == 0


def test_a_signal_during_start_up_ends_it_in_order():
    helper("udp-holder")
    a = Agent()
    a.wait_for("🔨 프로세스")  # inside the port clean-up's pause
    assert a.stop() == 0
    lines = a.lines()
    assert lines.index(READY) < lines.index("🛑 서버 종료 중...")
    assert lines[-1] == "✅ 정리 완료"
