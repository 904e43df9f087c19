import sys
import pathlib

sys.path.insert(0, str(pathlib.Path(__file__).parent.parent / "e2e"))
from tarsel_harness import agent, end_what_the_test_opened, phone  # noqa: E402,F401
