"""Shortcut layouts uploaded over real UDP are stored and served back intact."""
import json
import subprocess
import threading

from shortcuts_helpers import db_path, fetch, items, layout_of, sync, wait_saves
from tarsel_harness import CTL, PIN, Phone

MAX_DATAGRAM = 65507


def test_two_phones_syncing_at_once_lose_no_section(agent):
    rounds = 60
    phones = {"3x3": Phone(), "user": Phone()}
    errors = []

    def upload(section, phone):
        try:
            for r in range(rounds):
                sync(phone, **{section: items(f"{section}-{r}", 1 + r % 5)})
                phone.request("ping")  # answered only after the save: paces the phone
                assert phone.recv(10.0) == "pong"
        except Exception as e:  # noqa: BLE001 - reported below
            errors.append(e)

    threads = [threading.Thread(target=upload, args=kv) for kv in phones.items()]
    for t in threads:
        t.start()
    for t in threads:
        t.join()
    assert not errors, errors
    wait_saves(agent, 2 * rounds)
    assert "❌" not in agent.log()

    last = rounds - 1
    expected = {s: items(f"{s}-{last}", 1 + last % 5) for s in phones}
    chunks = fetch(phones["3x3"])
    assert [c["sections"] for c in chunks] == [["3x3"], ["user"]]
    assert layout_of(chunks) == expected
    assert json.loads(db_path(agent).read_text(encoding="utf-8")) == expected


def test_a_section_too_large_for_a_datagram_fails_alone(agent, phone):
    # The upload fits in one datagram; its answer, with the larger envelope, does not.
    compact = lambda blob: json.dumps(  # noqa: E731
        {"pin": PIN, "type": "sync_shortcuts", "4x4": [{"blob": blob}]}, separators=(",", ":"))
    phone.send(compact("x" * (MAX_DATAGRAM - len(compact("")))))
    sync(phone, **{"3x3": items("a", 2), "user": items("b", 1)})
    wait_saves(agent, 2)

    chunks = fetch(phone)
    assert [c["sections"] for c in chunks] == [["3x3"], ["user"]]
    agent.wait_for("📤 Pushed shortcuts chunk 3/3")
    agent.wait_for("❌ Failed to send shortcuts chunk 2/3: ")


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
