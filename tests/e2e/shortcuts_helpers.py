"""Layouts and helpers shared by the shortcut end-to-end tests."""
import json

from tarsel_harness import wait_until

SAVED = "✅ 단축키 저장 완료: "
DB_PARTS = (".config", "tarsel", "shortcuts_db.json")


def db_path(agent):
    return agent.home.joinpath(*DB_PARTS)


def items(tag, n):
    """Items that exercise every JSON kind the phone may store."""
    return [{"label": f"{tag} 단축키 {i} 🚀", "index": i, "big": 9007199254740993 + i,
             "ratio": 0.25, "whole": 3.0, "on": i % 2 == 0, "none": None,
             "action": {"type": "combo", "keys": ["command", "shift", str(i)]}}
            for i in range(n)]


def sync(phone, **sections):
    phone.request("sync_shortcuts", **sections)


def wait_saves(agent, count, timeout=30.0):
    assert wait_until(lambda: agent.log().count(SAVED) >= count, timeout), agent.log()[-3000:]


def fetch(phone, quiet=1.0):
    """Every chunk the agent sends for one fetch, parsed, in arrival order."""
    phone.request("fetch_shortcuts")
    chunks = []
    wait = 3.0
    while (text := phone.recv(wait)) is not None:
        chunks.append(json.loads(text))
        wait = quiet
    return chunks


def layout_of(chunks):
    layout = {}
    for chunk in chunks:
        layout.update(chunk["shortcuts_db"])
    return layout

