"""Shortcut layouts uploaded over real UDP are stored and served back intact,
and a kill in the middle of saving never leaves a half-written database."""
import json
import signal
import subprocess
import threading

from tarsel_harness import CTL, PIN, Phone, wait_until

SAVED = "✅ 단축키 저장 완료: "
MAX_DATAGRAM = 65507


def db_path(agent):
    return agent.home / ".config/tarsel/shortcuts_db.json"


def items(tag, n):
    """Items that exercise every JSON kind the phone may store."""
    return [{"label": f"{tag} 단축키 {i} 🚀", "index": i, "big": 9007199254740993 + i,
             "ratio": 0.25, "whole": 3.0, "on": i % 2 == 0, "none": None,
             "action": {"type": "combo", "keys": ["command", "shift", str(i)]}}
            for i in range(n)]


def wait_saves(agent, count, timeout=30.0):
    assert wait_until(lambda: agent.log().count(SAVED) >= count, timeout), agent.log()[-3000:]


def fetch(phone, quiet=1.0):
    """Every chunk the agent sends for one fetch, parsed, in arrival order."""
    phone.request("fetch_shortcuts")
    chunks = []
    while (text := phone.recv(quiet if chunks else 10.0)) is not None:
        chunks.append(json.loads(text))
    return chunks


def layout_of(chunks):
    return {name: items for chunk in chunks for name, items in chunk["shortcuts_db"].items()}


def test_two_phones_syncing_at_once_lose_no_section(agent):
    # Each phone saves far faster than two a second: its older waiting saves
    # are superseded unparsed, but its last one is always stored and fetched.
    rounds = 60
    phones = {"3x3": Phone(), "user": Phone()}
    errors = []

    def upload(section, phone):
        try:
            for r in range(rounds):
                phone.request("sync_shortcuts", **{section: items(f"{section}-{r}", 1 + r % 5)})
                phone.request("ping")  # paces the phone
                assert phone.recv(10.0) == "pong"
        except Exception as e:  # noqa: BLE001 - reported below
            errors.append(e)

    threads = [threading.Thread(target=upload, args=kv) for kv in phones.items()]
    for t in threads:
        t.start()
    for t in threads:
        t.join()
    assert not errors, errors
    # A fetch right after a phone's last sync sees it, whether or not it is on
    # disk yet: the user phone's first, then both from the other phone.
    last = rounds - 1
    expected = {s: items(f"{s}-{last}", 1 + last % 5) for s in phones}
    assert layout_of(fetch(phones["user"]))["user"] == expected["user"]
    chunks = fetch(phones["3x3"])
    assert [c["sections"] for c in chunks] == [["3x3"], ["user"]]
    assert layout_of(chunks) == expected
    assert wait_until(lambda: db_path(agent).exists() and json.loads(
        db_path(agent).read_text(encoding="utf-8")) == expected, 10)
    assert "❌" not in agent.log()
    assert agent.log().count(SAVED) < 2 * rounds  # superseded saves were never parsed


def test_a_burst_of_sections_from_one_phone_is_stored_whole(agent, phone):
    # Faster than two a second, but no save carries another's sections: none
    # gives way, and all are stored within a second or two.
    layout = {s: items(s, 2) for s in ("3x3", "4x4", "5x5", "user")}
    for section, its in layout.items():
        phone.request("sync_shortcuts", **{section: its})
    assert wait_until(lambda: db_path(agent).exists() and json.loads(
        db_path(agent).read_text(encoding="utf-8")) == layout, 10), agent.log()[-2000:]


def test_a_section_too_large_to_send_back_is_refused_at_sync(agent, phone):
    # The upload fits in one datagram; its answer, with the larger envelope,
    # would not: it is refused, and the phone never stores what it cannot fetch.
    compact = lambda blob: json.dumps(  # noqa: E731
        {"pin": PIN, "type": "sync_shortcuts", "4x4": [{"blob": blob}]}, separators=(",", ":"))
    phone.send(compact("x" * (MAX_DATAGRAM - len(compact("")))))
    phone.request("sync_shortcuts", **{"3x3": items("a", 2), "user": items("b", 1)})
    wait_saves(agent, 1)
    agent.wait_for("⚠️ [Shortcuts] 섹션 [4x4]은(는) 한 데이터그램(65507 bytes)에 담을 수 없어 "
                   "저장하지 않습니다: ")

    chunks = fetch(phone)
    assert [c["sections"] for c in chunks] == [["3x3"], ["user"]]
    agent.wait_for("📤 Pushed shortcuts chunk 2/2")
    assert "❌ Failed to send shortcuts chunk" not in agent.log()


def test_tarselctl_sync_then_fetch_round_trips_the_layout(agent, tmp_path):
    layout = {"3x3": items("grid", 9), "4x4": [], "5x5": items("큰", 3), "user": items("me", 4)}
    # "4x4" is empty, which the agent does not store: the fetch returns the rest.
    path = tmp_path / "layout.json"
    path.write_text(json.dumps(layout, ensure_ascii=False, indent=2), encoding="utf-8")

    def run(command, *args):
        return subprocess.run([str(CTL), command, "127.0.0.1", "--pin", PIN, *args],
                              capture_output=True, text=True, timeout=30)

    sent = run("sync", str(path))
    assert sent.returncode == 0, sent.stderr
    wait_saves(agent, 1)
    got = run("fetch")
    assert got.returncode == 0, got.stderr
    del layout["4x4"]
    assert json.loads(got.stdout) == layout


def test_sigkill_while_saving_leaves_a_whole_batch(agent):
    phone = Phone()
    stop = threading.Event()

    def hammer():
        r = 0
        while not stop.is_set():
            # Sections of one batch carry the same round, so a mix would show.
            phone.request("sync_shortcuts", **{"3x3": items(f"r{r}", 9),
                                               "user": items(f"r{r}", 40)})
            r += 1

    sender = threading.Thread(target=hammer)
    sender.start()
    try:
        wait_saves(agent, 30)
        agent.stop(signal.SIGKILL)
    finally:
        stop.set()
        sender.join()
        phone.close()

    db = json.loads(db_path(agent).read_text(encoding="utf-8"))
    assert set(db) == {"3x3", "user"}
    round_tag = db["3x3"][0]["label"].split()[0]
    assert db["3x3"] == items(round_tag, 9)
    assert db["user"] == items(round_tag, 40)
