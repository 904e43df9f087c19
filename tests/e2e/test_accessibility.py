"""The input-permission warning, its alert and its answers, under the record
backend (TARSEL_RECORD_TRUSTED=0 plays the missing permission): the Mac's words,
and Linux's in the user's language."""
import pytest

from tarsel_harness import READY, READY_EN, Agent, Phone

WARNING = ["", "⚠️  ===== 손쉬운 사용 권한이 필요합니다 =====",
           "⚠️  키보드/마우스 제어를 사용하려면 권한을 부여하세요:",
           "⚠️  시스템 설정 → 개인정보 보호 및 보안 → 손쉬운 사용", "⚠️  → TarselServer 항목을 켜기",
           "⚠️  =====================================", ""]

LINUX_WARNING = "⚠️  ===== 키보드·마우스 제어를 사용할 수 없습니다 ====="


def untrusted(answer, words="mac", language="ko_KR.UTF-8"):
    return Agent(env={"TARSEL_RECORD_TRUSTED": "0", "TARSEL_RECORD_ALERT": str(answer),
                      "TARSEL_RECORD_WORDS": words, "LANGUAGE": "", "LC_ALL": language})


def hangul(text):
    return any("\uac00" <= c <= "\ud7a3" for c in text)


def test_warning_follows_the_pin_line_and_open_settings_keeps_the_agent_running():
    a = untrusted(answer=0)
    a.wait_for(READY)
    alert = a.wait_effects("alert", 1)[0]
    assert a.lines()[1:1 + len(WARNING)] == WARNING
    assert (alert["message"], alert["buttons"]) == ("손쉬운 사용 권한이 필요합니다",
                                                   ["시스템 설정 열기", "강제 복구", "나중에"])
    assert alert["informative"].startswith("Tarsel 서버가 키보드와 마우스를 제어하려면")
    assert a.wait_effects("settings", 1)[0]["page"] == "accessibility"
    assert a.proc.poll() is None
    assert a.stop() == 0


def test_forced_reset_logs_the_tool_failure_opens_settings_and_exits_zero():
    a = untrusted(answer=1)
    assert a.proc.wait(10) == 0
    a.stop()
    lines = a.lines()
    start = lines.index("🔧 강제 복구 시작: tccutil reset 실행")
    assert lines[start + 1].startswith("❌ tccutil 실행 실패: ")
    assert len(a.effects("settings")) == 1
    # A direct exit, not the orderly shutdown: the service manager brings it back.
    assert "🛑 서버 종료 중..." not in lines
    assert a.effects("login") == []


@pytest.mark.parametrize("language, title, buttons, warning, banner", [
    ("ko_KR.UTF-8", "키보드와 마우스를 제어할 수 없습니다", ["도움말 열기", "나중에"], LINUX_WARNING,
     "🚀 Tarsel 서버가 실행되었습니다"),
    ("C.UTF-8", "Tarsel cannot control the keyboard and mouse", ["Open Help", "Later"],
     "⚠️  ===== Keyboard and mouse control is unavailable =====", "🚀 Tarsel server started")])
def test_on_linux_the_warning_names_no_mac_setting_and_everything_follows_the_language(
        language, title, buttons, warning, banner):
    a = untrusted(answer=1, words="linux", language=language)
    a.wait_for(READY if language.startswith("ko") else READY_EN)
    alert = a.wait_effects("alert", 1)[0]
    assert (alert["message"], alert["buttons"]) == (title, buttons)
    lines = a.lines()
    assert warning in lines and "       " + banner in lines
    assert not [l for l in lines if "시스템 설정" in l or "tccutil" in l]
    if language == "C.UTF-8":  # English through and through
        said = lines + [alert["message"], alert["informative"]] + alert["buttons"]
        assert [t for t in said if hangul(t)] == []
    assert a.effects("settings") == [] and a.proc.poll() is None  # "Later" keeps it running
    assert a.stop() == 0


def test_a_display_that_cannot_be_opened_falls_back_to_the_headless_shell():
    a = Agent(backend="auto", env={"DISPLAY": ":987", "XAUTHORITY": "/nonexistent"})
    phone = Phone()
    a.wait_for(READY)
    assert "⚠️ [X11] 디스플레이 :987에 연결할 수 없어 headless로 실행합니다" in a.lines()
    assert LINUX_WARNING in a.lines()
    phone.request("ping")
    assert phone.recv() == "pong"
    assert a.stop() == 0
