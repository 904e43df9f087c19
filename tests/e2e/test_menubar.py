"""The tray menu, the update check and the install item, end to end: the real
agent under the record backend fetches the manifest from a local HTTPS server,
and menu choices come in through the record backend's actions file. The
server's environment chooses English, so the log is English too."""
import json

import pytest

from https_fixture import ManifestServer, make_cert
from tarsel_harness import PIN, READY, READY_EN, Agent, Phone, track, wait_until

NEWER = json.dumps({"mac": {"latest": "1.0.17", "url": "https://x/get",
                            "dmg_url": "https://x/t.dmg", "sha256": "00" * 32}})
INSTALL = "🔴  Download Version 1.0.17…"  # nothing installs updates on Linux
PARSE_FAILED = "⚠️ version.json could not be parsed"
CHECK_FAILED = "⚠️ update check failed: "
CHECK_DONE = "✅ update check done: "


@pytest.fixture
def server():
    return track(ManifestServer())


def titles(menu_effect):
    return ["---" if i.get("separator") else i["title"] for i in menu_effect["items"]]


def wait_menu(agent, predicate):
    """The first recorded menu for which `predicate(titles)` holds."""
    menu = wait_until(lambda: next((m for m in agent.effects("menu") if predicate(titles(m))),
                                   None), 15)
    assert menu, [titles(m) for m in agent.effects("menu")]
    return menu


def start(env, tmp_path, **extra):
    agent = Agent(env={**env, "TARSEL_RECORD_ACTIONS": str(tmp_path / "actions"), **extra})
    agent.wait_for(READY if env.get("LANGUAGE", "ko").startswith("ko") else READY_EN)
    return agent


def choose(tmp_path, title):
    with open(tmp_path / "actions", "a", encoding="utf-8") as f:
        f.write(title + "\n")


def alert(agent, n):
    """(message, informative, buttons) of the agent's n-th alert, once it came."""
    shown = agent.wait_effects("alert", n, timeout=10)[n - 1]
    return shown["message"], shown["informative"], shown["buttons"]


def update_lines(agent):
    """The update line of every recorded menu ("" when there is none)."""
    out = []
    for t in map(titles, agent.effects("menu")):
        i = t.index("Tarsel v1.0.16")
        out.append("" if t[i + 1] == "Check for Updates…" else t[i + 1])
    return out


def test_connected_phone_newer_version_and_the_install_item(server, tmp_path):
    server.serve(NEWER)
    agent = start(server.env(), tmp_path, TARSEL_RECORD_ALERT="0", TMPDIR=str(tmp_path))
    phone = Phone()
    phone.request("ping")
    assert phone.recv() == "pong"
    menu = wait_menu(agent, lambda t: INSTALL in t and t[0] == "✅  Connected")
    t = titles(menu)
    assert t[:3] == ["✅  Connected", "    iPhone (127.0.0.1)", "---"]
    assert t[3].startswith("Computer IP:  ") and len(t[3]) > len("Computer IP:  ")
    # Started with a PIN on the command line: pairing is open for ten minutes.
    assert t[5].startswith("Pairing (9:") and t[5].endswith(" left)"), t
    assert t[4:5] + t[6:] == ["PIN:  246810", "Close Pairing", "---", "Tarsel v1.0.16", INSTALL,
                              "Check for Updates…", f"Open Website ({server.host})", "---",
                              "Start at Log-in", "Quit"]
    enabled = [i.get("enabled") for i in menu["items"] if not i.get("separator")]
    assert enabled == [False, False, False, False, True, True, False, True, True, True, True,
                       True]
    assert [i.get("checked") for i in menu["items"] if "checked" in i] == [True]
    assert [i.get("key") for i in menu["items"] if "key" in i] == ["q"]
    agent.wait_for(f"{CHECK_DONE}current 1.0.16, latest 1.0.17")  # logged just after the menu
    assert agent.lines().count(f"{CHECK_DONE}current 1.0.16, latest 1.0.17") == 1
    assert update_lines(agent)[0] == ""  # nothing before the first check

    # This host has no installer: the item opens the download page, asks
    # nothing, downloads nothing and leaves the menu as it was.
    choose(tmp_path, INSTALL)
    # The manifest's page is not on the website: the built-in page is opened.
    assert agent.wait_effects("open_url", 1)[0]["url"] == f"https://{server.host}/downloads.html"
    assert agent.effects("alert") == []
    assert server.requests == ["/version.json"]  # one automatic check, nothing else
    assert list(tmp_path.glob("tsl_update*")) == []
    assert not any("⏳" in title for t in map(titles, agent.effects("menu")) for title in t)
    assert update_lines(agent)[-1] == INSTALL
    assert agent.effects("login") == []  # the service was never touched

    choose(tmp_path, "Close Pairing")
    wait_menu(agent, lambda t: "Open Pairing…" in t)
    agent.wait_for("📡 [Pairing] pairing closed: discovery replies no longer carry the PIN")

    # Start at Log-in, unticked: the unit's link goes and the choice is kept.
    link = agent.home / ".config/systemd/user/graphical-session.target.wants/tarsel-server.service"
    assert link.is_symlink()
    choose(tmp_path, "Start at Log-in")
    assert wait_until(lambda: any(i.get("checked") is False for m in agent.effects("menu")
                                  for i in m["items"]), 10)
    assert not link.is_symlink()
    assert (agent.home / ".local/state/tarsel/autostart").read_text() == "off\n"


def window(agent, predicate):
    """The first recorded pairing window for which `predicate` holds."""
    shown = wait_until(lambda: next((w for w in agent.effects("pairing_window") if predicate(w)),
                                    None), 10)
    assert shown, agent.effects("pairing_window")
    return shown


def test_open_pairing_shows_the_window_and_the_tray_forgets_browsers(tmp_path):
    from web_client import WebClient
    agent = start({"LANGUAGE": "en"}, tmp_path)
    choose(tmp_path, "Close Pairing")
    wait_menu(agent, lambda t: "Open Pairing…" in t)
    choose(tmp_path, "Open Pairing…")
    shown = window(agent, lambda w: w["shown"] and w["qr"])
    assert shown["title"] == "Pair a Phone" and "#pair=" in shown["qr"] and shown["app_pin"] == ""
    assert shown["time_left"] == "Pairing closes in 2:00"
    # The phone app's PIN goes into discovery only once asked for here.
    scanner = Phone()
    scanner.send("scan")
    assert scanner.recv().split("|")[3] == ""
    choose(tmp_path, "window:Pair the Phone App")
    window(agent, lambda w: w.get("app_pin", "").startswith("Phone app: PIN 246810"))
    scanner = Phone()
    scanner.send("scan")
    assert scanner.recv().split("|")[3] == PIN
    # A camera-less request appears in the window and is approved there.
    c = WebClient()
    code = c.exchange("<b>Phone</b>")
    asking = window(agent, lambda w: "request" in w)
    assert asking["request"] == {"code": code, "question": "“<b>Phone</b>” at 127.0.0.1 asks "
                                 "to pair. Does the phone show this code?"}
    choose(tmp_path, "window:Approve")
    assert c.prove(c.recv_plain())["t"] == "ready"
    menu = wait_menu(agent, lambda t: "Paired Browsers" in t)
    entry = next(i for i in menu["items"] if i.get("title") == "Paired Browsers")
    assert [i.get("title") for i in entry["submenu"]] == [
        "Forget <b>Phone</b> (127.0.0.1)", None, "Forget All"]
    choose(tmp_path, "Forget <b>Phone</b> (127.0.0.1)")
    wait_until(lambda: "Paired Browsers" not in titles(agent.effects("menu")[-1]))
    assert c.closed()
    choose(tmp_path, "Close Pairing")
    window(agent, lambda w: not w["shown"])


def test_user_initiated_checks_alert_and_open_the_download_page(server, tmp_path):
    server.serve(json.dumps({"mac": {"latest": "1.0.17"}}))
    agent = start(server.env(), tmp_path, TARSEL_RECORD_ALERT="0")  # "Open Download Page"
    agent.wait_for(CHECK_DONE)
    assert agent.effects("alert") == []  # a background check never alerts
    choose(tmp_path, "Check for Updates…")
    assert alert(agent, 1) == (  # in the menu's language, like the menu
        "Version 1.0.17 is available", "Current version: 1.0.16\nOpen the download page?",
        ["Open Download Page", "Later"])
    assert agent.wait_effects("open_url", 1)[0]["url"] == f"https://{server.host}/downloads.html"

    server.serve(json.dumps({"mac": {"latest": "1.0.9"}}))
    choose(tmp_path, "Check for Updates…")
    assert alert(agent, 2) == ("Tarsel is up to date", "Version 1.0.16 is the latest.", ["OK"])
    wait_menu(agent, lambda t: "✓  Up to date" in t)
    choose(tmp_path, f"Open Website ({server.host})")
    assert agent.wait_effects("open_url", 2)[1]["url"] == f"https://{server.host}"


def test_failed_checks_log_one_line_and_change_nothing(server, tmp_path):
    other = track(ManifestServer())
    server.serve(NEWER)
    agent = start(server.env(), tmp_path)
    wait_menu(agent, lambda t: INSTALL in t)
    # A latest that is no string (every other shape: the unit tests), and over the cap.
    for body, line in (('{"mac":{"latest":1.0}}', PARSE_FAILED), ("x" * 65537, CHECK_FAILED)):
        count = agent.log().count(line)
        server.serve(body)
        choose(tmp_path, "Check for Updates…")
        assert wait_until(lambda: agent.log().count(line) > count), line
    # A redirect off the website's host is never followed.
    other.serve(json.dumps({"mac": {"latest": "9.9.9"}}))
    server.serve("{}")
    server.redirect = f"https://{other.host}/version.json"
    choose(tmp_path, "Check for Updates…")
    assert wait_until(lambda: "redirect to another host refused" in agent.log())
    assert other.requests == []
    assert agent.log().count(CHECK_DONE) == 1
    assert agent.effects("alert") == []  # not even for a user-initiated check
    agent.wait_effects("menu", len(agent.effects("menu")) + 1, timeout=12)
    assert update_lines(agent)[-1] == INSTALL  # a failed check keeps the old values
    agent.stop()
    # A refused connection (nothing listens on port 9), and a certificate the agent was
    # not told to trust.
    other_cert, _ = make_cert(tmp_path, "other")
    for extra in ({"TARSEL_WEBSITE_HOST": "127.0.0.1:9"},
                  {"CURL_CA_BUNDLE": str(other_cert)}):
        agent = start({**server.env(), **extra}, tmp_path)
        agent.wait_for(CHECK_FAILED)
        assert CHECK_DONE not in agent.log()
        assert set(update_lines(agent)) == {""}
        agent.stop()


def test_korean_menu_and_quit_from_the_menu(server, tmp_path):
    server.serve(NEWER)
    agent = start({**server.env(), "LANGUAGE": "ko:en"}, tmp_path)
    menu = wait_menu(agent, lambda t: "🔴  버전 1.0.17 다운로드…" in t)
    assert (titles(menu)[0], titles(menu)[-1]) == ("⚪️  연결 대기 중", "종료")
    choose(tmp_path, "Quit")  # an English title is not in a Korean menu
    choose(tmp_path, "종료")
    assert agent.proc.wait(10) == 0
    assert "선택할 수 없는 메뉴 항목: Quit" in agent.log()  # the log is Korean too
    assert "✅ 정리 완료" in agent.log()
