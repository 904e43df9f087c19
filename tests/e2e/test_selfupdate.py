"""The install item, end to end, under the record backend on this machine: the
host has no installer, so choosing the item falls back to the manual download
page at once, and nothing but the manifest is ever requested."""
import json
import pathlib

import pytest

from https_fixture import ManifestServer
from tarsel_harness import READY, Agent

INSTALL = "🔴  Install New Version (v1.0.17)"
NO_INSTALLER = "이 플랫폼에서는 자동 설치를 지원하지 않음"


@pytest.fixture
def server():
    s = ManifestServer()
    yield s
    s.close()


def choose(actions_file, title):
    with open(actions_file, "a", encoding="utf-8") as f:
        f.write(title + "\n")


def menu_titles(agent):
    return [[i.get("title") for i in m["items"]] for m in agent.effects("menu")]


def start(server, tmp_path, answer):
    server.serve(json.dumps({"mac": {
        "latest": "1.0.17", "url": f"https://{server.host}/get",
        "dmg_url": f"https://{server.host}/TarselServer-1.0.17.dmg",
        "sha256": "00" * 32}}))
    env = server.env()
    env.update({"TARSEL_RECORD_ACTIONS": str(tmp_path / "actions"),
                "TARSEL_RECORD_ALERT": answer, "TMPDIR": str(tmp_path / "tmp")})
    (tmp_path / "tmp").mkdir()
    agent = Agent(env=env)
    agent.wait_for(READY)
    agent.wait_for("✅ 업데이트 체크 완료: 현재 1.0.16, 최신 1.0.17")
    return agent


def test_install_item_offers_the_download_page_and_downloads_nothing(server, tmp_path):
    agent = start(server, tmp_path, "0")  # "다운로드 페이지 열기"
    try:
        assert any(INSTALL in t for t in menu_titles(agent))
        choose(tmp_path / "actions", INSTALL)
        alert = agent.wait_effects("alert", 1, timeout=10)[0]
        assert alert["message"] == "자동 설치를 완료하지 못했습니다"
        assert alert["informative"] == (
            f"다운로드 페이지에서 직접 받아 설치할 수 있습니다.\n\n(사유: {NO_INSTALLER})")
        assert alert["buttons"] == ["다운로드 페이지 열기", "나중에"]
        assert agent.wait_effects("open_url", 1)[0]["url"] == f"https://{server.host}/get"
        agent.wait_for(f"⚠️ 자동 업데이트 폴백: {NO_INSTALLER}")
        assert server.requests == ["/version.json"]
        assert list((tmp_path / "tmp").iterdir()) == []
        # The menu never left its normal state and still offers the item.
        menus = menu_titles(agent)
        assert not any("⏳" in title for t in menus for title in t if title)
        assert INSTALL in menus[-1]
        assert agent.effects("login") == []  # the service was never touched
    finally:
        agent.stop()


def test_later_leaves_everything_as_it_was_and_the_item_can_be_chosen_again(server, tmp_path):
    agent = start(server, tmp_path, "1")  # "나중에"
    try:
        choose(tmp_path / "actions", INSTALL)
        agent.wait_effects("alert", 1, timeout=10)
        choose(tmp_path / "actions", INSTALL)
        alerts = agent.wait_effects("alert", 2, timeout=10)
        assert alerts[0] == {**alerts[1], "t": alerts[0]["t"]}
        assert agent.effects("open_url") == []
        assert server.requests == ["/version.json"]
    finally:
        agent.stop()
