"""A kill in the middle of saving never leaves a half-written database."""
import json
import signal
import threading

from shortcuts_helpers import db_path, items, sync, wait_saves
from tarsel_harness import Phone


def test_sigkill_while_saving_leaves_a_whole_batch(agent):
    phone = Phone()
    stop = threading.Event()

    def hammer():
        r = 0
        while not stop.is_set():
            # Sections of one batch carry the same round, so a mix would show.
            sync(phone, **{"3x3": items(f"r{r}", 9), "user": items(f"r{r}", 40)})
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
