"""Runs the real agent under the record backend and talks to it over real UDP."""
import json
import os
import pathlib
import signal
import socket
import subprocess
import tempfile
import time

import pytest

BUILD = pathlib.Path(os.environ.get("TARSEL_BUILD_DIR",
                                    pathlib.Path(__file__).resolve().parents[2] / "build"))
SERVER = BUILD / "tarsel-server"
CTL = BUILD / "tarselctl"
PIN = "246810"
READY = "✅ 서버 리스너 대기 중 (포트 3000)"
READY_EN = "✅ server listening (port 3000)"  # under an English locale


def require(condition, what):
    """Skips when a prerequisite is missing; under CI a missing one is a failure."""
    if not condition:
        (pytest.fail if os.environ.get("CI") == "true" else pytest.skip)(f"missing: {what}")


_opened = []  # agents, phones and helper processes of the running test


def track(thing):
    """Ends `thing` (an Agent, a Phone or a Popen) once the test is over."""
    _opened.append(thing)
    return thing


def end_opened():
    """Ends what `track` was given, the last first."""
    while _opened:
        thing = _opened.pop()
        if isinstance(thing, subprocess.Popen):
            thing.terminate()
            thing.wait(10)
        else:
            thing.close()


@pytest.fixture(autouse=True)
def end_what_the_test_opened():
    yield
    end_opened()


def wait_until(predicate, timeout=10.0):
    """Polls `predicate` until it returns something true; returns its last answer."""
    deadline = time.monotonic() + timeout
    while not (found := predicate()) and time.monotonic() < deadline:
        time.sleep(0.02)
    return found


def agent_env(home, backend="record", env=None):
    """The environment of an agent whose home is `home`."""
    # The data folder is ~/.config/tarsel; Avahi must never publish on this machine's LAN.
    # The control socket goes under the home too, never beside a real agent's.
    # The agent's texts are Korean unless a test names a language.
    full_env = {k: v for k, v in os.environ.items()
                if k not in ("DISPLAY", "XDG_CONFIG_HOME", "XDG_STATE_HOME", "LANGUAGE", "LC_ALL",
                             "LC_MESSAGES", "LANG")}
    full_env["LANGUAGE"] = "ko"
    (home / "run").mkdir(mode=0o700, exist_ok=True)
    full_env.update(HOME=str(home), TARSEL_BACKEND=backend, TARSEL_RECORD=str(home / "effects.jsonl"),
                    TARSEL_WEBSITE_HOST="127.0.0.1:9", XDG_RUNTIME_DIR=str(home / "run"))
    full_env.update(env or {})
    if backend != "record":
        full_env["DBUS_SYSTEM_BUS_ADDRESS"] = "unix:path=/nonexistent/tarsel-test-bus"
    return full_env


class Agent:
    def __init__(self, args=(PIN,), env=None, home=None, backend="record"):
        self.home = pathlib.Path(home or tempfile.mkdtemp(prefix="tarsel-home-"))
        self.record = self.home / "effects.jsonl"
        # Copies sharing a home keep logs of their own.
        self.log_path = self.home / ("agent.log" if home is None else
                                     tempfile.mktemp(prefix="agent-", suffix=".log", dir=self.home))
        full_env = agent_env(self.home, backend, env)
        self.log_file = open(self.log_path, "wb")
        self.proc = subprocess.Popen([str(SERVER), *args], stdout=self.log_file,
                                     stderr=subprocess.STDOUT, env=full_env)
        self.env = full_env
        track(self)

    def wait_for(self, text, timeout=10.0):
        wait_until(lambda: text in self.log() or self.proc.poll() is not None, timeout)
        assert text in self.log(), f"{text!r} not logged; log:\n{self.log()}"

    def log(self):
        return self.log_path.read_text(encoding="utf-8", errors="replace")

    def lines(self):
        return self.log().splitlines()

    def effects(self, op=None):
        lines = self.record.read_text(encoding="utf-8").splitlines() if self.record.exists() else []
        return [e for e in map(json.loads, filter(None, lines)) if op in (None, e["op"])]

    def wait_effects(self, op, count, timeout=5.0):
        if not wait_until(lambda: len(self.effects(op)) >= count, timeout):
            raise AssertionError(f"expected {count} {op!r} effects, got {self.effects(op)}")
        return self.effects(op)

    # Past the agent's own 10 s wait for a start-up still under way (slow under
    # the sanitizers), after which it ends in order anyway.
    def stop(self, sig=signal.SIGTERM, timeout=15.0):
        if self.proc.poll() is None:
            self.proc.send_signal(sig)
            try:
                self.proc.wait(timeout)
            except subprocess.TimeoutExpired:
                self.proc.kill()
                self.proc.wait()
        self.log_file.close()
        return self.proc.returncode

    close = stop


class Phone:
    """One UDP endpoint on loopback."""

    def __init__(self, source="127.0.0.1", port=3000):
        self.sock = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
        self.sock.bind((source, 0))
        self.target = ("127.0.0.1", port)
        track(self)

    def send(self, payload):
        if isinstance(payload, dict):
            payload = json.dumps(payload, ensure_ascii=False)
        self.sock.sendto(payload.encode() if isinstance(payload, str) else payload, self.target)

    def request(self, type_, pin=PIN, **fields):
        self.send({"pin": pin, "type": type_, **fields})

    def recv(self, timeout=2.0):
        self.sock.settimeout(timeout)
        try:
            return self.sock.recv(65536).decode("utf-8")
        except socket.timeout:
            return None

    def close(self):
        self.sock.close()


@pytest.fixture
def agent():
    a = Agent()
    a.wait_for(READY)
    return a


@pytest.fixture
def phone():
    return Phone()
