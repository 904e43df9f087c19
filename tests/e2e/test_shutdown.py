"""SIGTERM and SIGINT end the agent through the orderly shutdown."""
import signal

import pytest

from tarsel_harness import READY, Agent, Phone

SHUTDOWN = ["", "🛑 서버 종료 중...", "✅ LaunchAgent 내림 (KeepAlive 자동재시작 차단)", "✅ 정리 완료"]


def started():
    a = Agent()
    a.wait_for(READY)
    return a


@pytest.mark.parametrize("sig", [signal.SIGTERM, signal.SIGINT])
def test_signal_runs_the_shutdown_and_exits_zero(sig):
    a = started()
    # A click's hold, a key's hold and a screenshot's timeline still pending.
    phone = Phone()
    for command in ("click", "copy", "screenshot_part"):
        phone.request(command)
    a.wait_effects("mouse", 1)
    assert a.stop(sig) == 0
    assert a.lines()[-4:] == SHUTDOWN
    assert a.log().count("🛑 서버 종료 중...") == 1
    unloads = a.effects("login")
    assert [u["action"] for u in unloads] == ["unload"]
    assert unloads[0]["args"][1:] == ["--user", "stop", "--no-block", "tarsel-server.service"]


def test_a_second_signal_during_the_shutdown_changes_nothing():
    a = started()
    a.proc.send_signal(signal.SIGTERM)
    a.proc.send_signal(signal.SIGINT)
    a.proc.send_signal(signal.SIGTERM)
    assert a.stop() == 0
    assert a.lines()[-4:] == SHUTDOWN
    assert a.log().count("🛑 서버 종료 중...") == 1
    assert len(a.effects("login")) == 1
    second = started()  # the port is free again
    assert "✅ 포트 3000는 사용 가능합니다." in second.lines()
    assert second.stop() == 0


def test_other_signals_keep_their_default_action():
    a = started()
    a.proc.send_signal(signal.SIGHUP)
    assert a.proc.wait(10) == -signal.SIGHUP
    a.stop()
    assert "🛑 서버 종료 중..." not in a.log()
