"""The agent registers itself for start at log-in as a systemd user unit."""
import os
import pathlib
import shutil
import subprocess
import tempfile

import tarsel_harness
from tarsel_harness import READY, SERVER, Agent, require

UNIT = ".config/systemd/user/tarsel-server.service"
WANTS = ".config/systemd/user/default.target.wants/tarsel-server.service"


def run_once(home):
    a = Agent(home=home)
    a.wait_for(READY)
    assert a.stop() == 0
    return a.lines()


def test_unit_is_written_enabled_and_logged_once():
    home = pathlib.Path(tempfile.mkdtemp(prefix="tarsel-home-"))
    lines = run_once(home)
    unit = home / UNIT
    i = lines.index(f"✅ LaunchAgent 등록: {unit}")
    # Start-up order: the permission line, the registration, then the port cleanup.
    assert lines[i - 1:i + 3] == ["✅ 손쉬운 사용 권한: 부여됨", lines[i],
                                  "   → 다음 로그인·재부팅부터 자동 시작됨",
                                  "🔍 포트 3000 사용 중인 프로세스 확인 중..."]
    settings = unit.read_text(encoding="utf-8").splitlines()
    for line in (f'ExecStart="{SERVER.resolve()}"', "Restart=always",
                 "After=graphical-session.target", "WantedBy=default.target"):
        assert line in settings
    assert not any(l.startswith("StandardOutput=") for l in settings)  # the journal keeps the log
    assert os.readlink(home / WANTS) == str(unit)
    assert not (home / "Library").exists() and not list(unit.parent.glob("*.tmp*"))
    before = unit.stat().st_mtime_ns
    assert not any(l.startswith("✅ LaunchAgent 등록") for l in run_once(home))
    assert unit.stat().st_mtime_ns == before


def test_an_existing_unit_is_left_untouched_and_nothing_is_logged():
    home = pathlib.Path(tempfile.mkdtemp(prefix="tarsel-home-"))
    unit = home / UNIT
    unit.parent.mkdir(parents=True)
    unit.write_text("# edited by the user\n[Service]\nExecStart=/bin/false\n")
    lines = run_once(home)
    assert unit.read_text() == "# edited by the user\n[Service]\nExecStart=/bin/false\n"
    assert not (home / WANTS).exists()  # a disabled unit stays disabled
    assert not any(l.startswith(("✅ LaunchAgent 등록", "⚠️ LaunchAgent 등록 실패")) for l in lines)


def test_systemd_accepts_the_unit_even_with_awkward_paths(monkeypatch):
    require(shutil.which("systemd-analyze"), "systemd-analyze")
    home = pathlib.Path(tempfile.mkdtemp(prefix="tarsel home & 100% "))
    # The binary itself in a folder with a space, an ampersand and a percent sign.
    server = home / "my apps & 50%" / "tarsel-server"
    server.parent.mkdir()
    shutil.copy2(SERVER, server)
    monkeypatch.setattr(tarsel_harness, "SERVER", server)
    run_once(home)
    unit = home / UNIT
    assert 'ExecStart="' + str(server).replace("%", "%%") + '"' in unit.read_text()
    (home / "runtime").mkdir(mode=0o700)
    result = subprocess.run(["systemd-analyze", "--user", "verify", str(unit)],
                            env=dict(os.environ, XDG_RUNTIME_DIR=str(home / "runtime")),
                            capture_output=True, text=True)
    assert result.returncode == 0, result.stdout + result.stderr
