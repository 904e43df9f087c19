"""The tray menu and the update check, end to end: the real agent under the
record backend fetches the manifest from a local HTTPS server."""
import json
import time

import pytest

from https_fixture import ManifestServer, closed_port, make_cert
from tarsel_harness import READY, Agent, Phone

NEWER = json.dumps({"mac": {"latest": "1.0.17", "dmg_url": "https://x/t.dmg"}})
PARSE_FAILED = "⚠️ version.json 파싱 실패"
CHECK_FAILED = "⚠️ 업데이트 체크 실패: "
CHECK_DONE = "✅ 업데이트 체크 완료: "


@pytest.fixture
def server():
    s = ManifestServer()
    yield s
    s.close()


def titles(menu_effect):
    return ["---" if i.get("separator") else i["title"] for i in menu_effect["items"]]


def wait_menu(agent, predicate, timeout=15.0):
    """The first recorded menu for which `predicate(titles)` holds."""
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        for menu in agent.effects("menu"):
            if predicate(titles(menu)):
                return menu
        time.sleep(0.05)
    raise AssertionError(f"no such menu; menus: {[titles(m) for m in agent.effects('menu')]}")


def start(env, actions=None):
    extra = dict(env)
    if actions is not None:
        extra["TARSEL_RECORD_ACTIONS"] = str(actions)
    agent = Agent(env=extra)
    agent.wait_for(READY)
    return agent


def choose(actions_file, title):
    with open(actions_file, "a", encoding="utf-8") as f:
        f.write(title + "\n")


def update_lines(agent):
    """The update line of every recorded menu ("" when there is none)."""
    out = []
    for menu in agent.effects("menu"):
        t = titles(menu)
        i = t.index("Tarsel v1.0.16")
        out.append("" if t[i + 1] == "Check for Updates…" else t[i + 1])
    return out


def test_connected_phone_and_newer_version_give_the_documented_menu(server):
    server.serve(NEWER)
    agent = start(server.env())
    phone = Phone()
    try:
        phone.request("ping")
        assert phone.recv() == "pong"
        menu = wait_menu(agent, lambda t: "🔴  Install New Version (v1.0.17)" in t
                         and t[0] == "✅  Connected")
        items = menu["items"]
        t = titles(menu)
        assert t[:3] == ["✅  Connected", "    iPhone (127.0.0.1)", "---"]
        assert t[3].startswith("Mac IP:  ") and len(t[3]) > len("Mac IP:  ")
        assert t[4:] == ["PIN:  246810", "---", "Tarsel v1.0.16",
                         "🔴  Install New Version (v1.0.17)", "Check for Updates…",
                         f"Open Website ({server.host})", "---", "Quit"]
        enabled = [i.get("enabled") for i in items if not i.get("separator")]
        assert enabled == [False, False, False, False, False, True, True, True, True]
        assert [i.get("key") for i in items if "key" in i] == ["q"]
        assert server.requests == ["/version.json"]  # one automatic check only
        assert agent.lines().count(f"{CHECK_DONE}현재 1.0.16, 최신 1.0.17") == 1
        assert agent.effects("alert") == []  # a background check never alerts
    finally:
        phone.close()
        agent.stop()


@pytest.mark.parametrize("latest", ["1.0.16", "1.0.9"])
def test_equal_or_older_version_is_up_to_date(server, latest):
    server.serve(json.dumps({"mac": {"latest": latest}}))
    agent = start(server.env())
    try:
        agent.wait_for(f"{CHECK_DONE}현재 1.0.16, 최신 {latest}")
        menu = wait_menu(agent, lambda t: "✓  Up to date" in t)
        assert titles(menu)[0] == "⚪️  Waiting…"
        assert update_lines(agent)[0] == ""  # nothing before the first check
    finally:
        agent.stop()


def test_bad_manifests_log_a_parse_failure_and_change_nothing(server, tmp_path):
    actions = tmp_path / "actions"
    server.serve(NEWER)
    agent = start(server.env(), actions)
    try:
        agent.wait_for(CHECK_DONE)
        wait_menu(agent, lambda t: "🔴  Install New Version (v1.0.17)" in t)
        for body in ('{"mac":{"latest":1.0}}', '[{"mac":{"latest":"1.0.18"}}]', ""):
            before = len(server.requests)
            server.serve(body)
            choose(actions, "Check for Updates…")
            deadline = time.monotonic() + 10
            while len(server.requests) == before and time.monotonic() < deadline:
                time.sleep(0.05)
            agent.wait_for(PARSE_FAILED)
        deadline = time.monotonic() + 10
        while agent.lines().count(PARSE_FAILED) < 3 and time.monotonic() < deadline:
            time.sleep(0.05)
        assert agent.lines().count(PARSE_FAILED) == 3
        assert agent.log().count(CHECK_DONE) == 1
        assert agent.effects("alert") == []  # not even for a user-initiated check
        # The last menus still offer 1.0.17: a failed check keeps the old values.
        agent.wait_effects("menu", len(agent.effects("menu")) + 1, timeout=12)
        assert update_lines(agent)[-1] == "🔴  Install New Version (v1.0.17)"
    finally:
        agent.stop()


def test_refused_connection_and_untrusted_certificate_log_the_check_failure(server, tmp_path):
    actions = tmp_path / "actions"
    env = server.env()
    env["TARSEL_WEBSITE_HOST"] = f"127.0.0.1:{closed_port()}"
    agent = start(env, actions)
    try:
        agent.wait_for(CHECK_FAILED)
        choose(actions, "Check for Updates…")
        deadline = time.monotonic() + 10
        while agent.log().count(CHECK_FAILED) < 2 and time.monotonic() < deadline:
            time.sleep(0.05)
        assert agent.log().count(CHECK_FAILED) == 2
        assert agent.effects("alert") == []
        assert set(update_lines(agent)) == {""}
    finally:
        agent.stop()

    # A certificate the agent was not told to trust: TLS fails, nothing changes.
    other_cert, _ = make_cert(tmp_path, "other")
    server.serve(NEWER)
    env = server.env()
    env["CURL_CA_BUNDLE"] = str(other_cert)
    agent = start(env)
    try:
        agent.wait_for(CHECK_FAILED)
        assert CHECK_DONE not in agent.log()
        assert set(update_lines(agent)) == {""}
    finally:
        agent.stop()


def test_user_initiated_check_alerts_and_opens_the_download_page(server, tmp_path):
    actions = tmp_path / "actions"
    server.serve(json.dumps({"mac": {"latest": "1.0.17"}}))
    env = server.env()
    env["TARSEL_RECORD_ALERT"] = "0"  # the first button, "다운로드 페이지 열기"
    agent = start(env, actions)
    try:
        agent.wait_for(CHECK_DONE)
        choose(actions, "Check for Updates…")
        alert = agent.wait_effects("alert", 1, timeout=10)[0]
        assert alert["message"] == "새 버전 1.0.17 사용 가능"
        assert alert["informative"] == "현재 버전: 1.0.16\n새 버전 다운로드 페이지를 여시겠습니까?"
        assert alert["buttons"] == ["다운로드 페이지 열기", "나중에"]
        opened = agent.wait_effects("open_url", 1)[0]
        assert opened["url"] == f"https://{server.host}/downloads.html"

        server.serve(json.dumps({"mac": {"latest": "1.0.16"}}))
        choose(actions, "Check for Updates…")
        alert = agent.wait_effects("alert", 2, timeout=10)[1]
        assert (alert["message"], alert["informative"], alert["buttons"]) == (
            "최신 버전입니다", "현재 버전 1.0.16 이 최신입니다.", ["확인"])
        wait_menu(agent, lambda t: "✓  Up to date" in t)

        choose(actions, f"Open Website ({server.host})")
        opened = agent.wait_effects("open_url", 2)[1]
        assert opened["url"] == f"https://{server.host}"
    finally:
        agent.stop()


def test_korean_menu_and_quit_from_the_menu(server, tmp_path):
    actions = tmp_path / "actions"
    server.serve(NEWER)
    env = server.env()
    env.update({"LANGUAGE": "ko:en", "LANG": "en_US.UTF-8"})
    agent = start(env, actions)
    try:
        menu = wait_menu(agent, lambda t: "🔴  새 버전 설치 (v1.0.17)" in t)
        assert titles(menu)[0] == "⚪️  연결 대기 중"
        assert titles(menu)[-1] == "종료"
        choose(actions, "Quit")  # an English title is not in a Korean menu
        choose(actions, "종료")
        assert agent.proc.wait(10) == 0
        assert "선택할 수 없는 메뉴 항목: Quit" in agent.log()
        assert "✅ 정리 완료" in agent.log()
    finally:
        agent.stop()
