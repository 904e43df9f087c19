import sys
import pathlib

sys.path.insert(0, str(pathlib.Path(__file__).parent))
from tarsel_harness import agent, phone  # noqa: E402,F401
