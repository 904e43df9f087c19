"""Commands, mouse and text over real UDP, observed through the record backend:
what only the wire and the real queues can get wrong. What each command name
does is tests/unit/input/CommandsTest.cpp."""
import time

from tarsel_harness import Phone

def test_text_request_pastes_korean_and_emoji_without_a_log_line(agent, phone):
    text = "안녕하세요 🇰🇷 ✌🏽\n다음 줄"
    phone.request("text", text=42)  # not a string: nothing at all
    phone.request("text", text=text)
    keys = [(e["code"], e["down"], e["flags"]) for e in agent.wait_effects("key", 2)]
    assert keys == [(9, True, 0x100000), (9, False, 0x100000)]  # Command-V
    assert [e["text"] for e in agent.effects("clipboard")] == [text]
    assert "텍스트 입력" not in agent.log()


def test_double_click_drag_and_ordered_move_then_click(agent, phone):
    phone.request("click")
    phone.request("click")
    clicks = agent.wait_effects("mouse", 4)
    assert [(m["type"], m["clickState"]) for m in clicks] == [(1, 1), (2, 1), (1, 2), (2, 2)]
    assert all((m["x"], m["y"]) == (500, 400) for m in clicks)

    phone.request("mouse_down")
    phone.request("move", dx=10, dy=-4)
    phone.request("mouse_up")
    phone.request("move", dx=1, dy=1)
    phone.request("right_click")       # must land where the moves left the pointer
    moves = agent.wait_effects("mouse", 10)[4:]
    assert [(m["type"], m["x"], m["y"]) for m in moves] == [
        (1, 500, 400), (6, 515, 394), (2, 515, 394), (5, 516.5, 395.5),
        (3, 516.5, 395.5), (4, 516.5, 395.5)]
    assert moves[4]["button"] == 1 and moves[4]["clickState"] == 1

    # The mouse is one for all phones: a second phone's move sent during a
    # click's hold (while the first phone's connection is idle) waits for it.
    other = Phone()
    other.request("ping")
    assert other.recv() == "pong"
    phone.request("click")
    other.request("move", dx=2, dy=0)
    after = agent.wait_effects("mouse", 13)[10:]
    assert [(m["type"], m["x"]) for m in after] == [(1, 516.5), (2, 516.5), (5, 519.5)]

    # JSON numbers beyond 32 bits are clamped; a lone dx scrolls nothing.
    for dy in (2**62, -(2**63)):
        phone.request("scroll", dy=dy)
    phone.request("scroll", dx=5)
    phone.request("ping")
    assert phone.recv() == "pong"
    assert [e["amount"] for e in agent.wait_effects("scroll", 2)] == [2**31 - 1, -(2**31)]


def test_burst_of_key_commands_arrives_whole_and_in_order(agent, phone):
    names = ["asdf"[i % 4] for i in range(200)]
    for name in names:
        phone.request(name)
        time.sleep(0.004)  # about one second for the burst, gentle on the socket buffer
    events = agent.wait_effects("key", 400, timeout=30)
    downs = [e["code"] for e in events if e["down"]]
    assert downs == [{"a": 0, "s": 1, "d": 2, "f": 3}[n] for n in names]
