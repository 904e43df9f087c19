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
ANALYZE = shutil.which("systemd-analyze")


def run_once(home):
    a = Agent(home=home)
    try:
        a.wait_for(READY)
    finally:
        assert a.stop() == 0
    return a


def unit_settings(text):
    section, out = None, {}
    for line in text.splitlines():
        if line.startswith("["):
            section = line.strip("[]")
        elif "=" in line:
            key, value = line.split("=", 1)
            out[(section, key)] = value
    return out


def verify(unit, home):
    runtime = pathlib.Path(home) / "runtime"
    runtime.mkdir(mode=0o700, exist_ok=True)
    env = dict(os.environ, XDG_RUNTIME_DIR=str(runtime))
    return subprocess.run([ANALYZE, "--user", "verify", str(unit)], env=env,
                          capture_output=True, text=True)


def test_unit_is_written_enabled_and_logged_once():
    home = pathlib.Path(tempfile.mkdtemp(prefix="tarsel-home-"))
    a = run_once(home)
    unit = home / UNIT
    lines = a.lines()
    i = lines.index(f"✅ LaunchAgent 등록: {unit}")
    assert lines[i + 1] == "   → 다음 로그인·재부팅부터 자동 시작됨"
    # Start-up order: the permission line, the registration, then the port cleanup.
    assert lines[i - 1] == "✅ 손쉬운 사용 권한: 부여됨"
    assert lines[i + 2] == "🔍 포트 3000 사용 중인 프로세스 확인 중..."

    s = unit_settings(unit.read_text(encoding="utf-8"))
    assert s[("Service", "ExecStart")] == f'"{SERVER.resolve()}"'
    assert s[("Service", "Restart")] == "always"
    assert ("Service", "StandardOutput") not in s  # the journal keeps the log
    assert s[("Unit", "After")] == "graphical-session.target"
    assert s[("Install", "WantedBy")] == "default.target"
    assert os.readlink(home / WANTS) == str(unit)
    assert not (home / "Library").exists()
    assert not list(unit.parent.glob("*.tmp*"))

    before = unit.stat().st_mtime_ns
    again = run_once(home)
    assert not any(l.startswith("✅ LaunchAgent 등록") for l in again.lines())
    assert unit.stat().st_mtime_ns == before


def test_an_existing_unit_is_left_untouched_and_nothing_is_logged():
    home = pathlib.Path(tempfile.mkdtemp(prefix="tarsel-home-"))
    unit = home / UNIT
    unit.parent.mkdir(parents=True)
    unit.write_text("# edited by the user\n[Service]\nExecStart=/bin/false\n")
    a = run_once(home)
    assert unit.read_text() == "# edited by the user\n[Service]\nExecStart=/bin/false\n"
    assert not (home / WANTS).exists()  # a disabled unit stays disabled
    assert not any(l.startswith(("✅ LaunchAgent 등록", "⚠️ LaunchAgent 등록 실패"))
                   for l in a.lines())


def test_systemd_accepts_the_unit_even_with_awkward_paths(monkeypatch):
    require(ANALYZE, "systemd-analyze")
    home = pathlib.Path(tempfile.mkdtemp(prefix="tarsel home & 100% "))
    # The binary itself in a folder with a space, an ampersand and a percent sign.
    server = home / "my apps & 50%" / "tarsel-server"
    server.parent.mkdir()
    shutil.copy2(SERVER, server)
    monkeypatch.setattr(tarsel_harness, "SERVER", server)
    run_once(home)
    unit = home / UNIT
    text = unit.read_text(encoding="utf-8")
    assert 'ExecStart="' + str(server).replace("%", "%%") + '"' in text
    result = verify(unit, home)
    assert result.returncode == 0, result.stdout + result.stderr
