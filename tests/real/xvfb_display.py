"""A private Xvfb display for the real-backend tests, and a bounded wait."""
import os
import shutil
import subprocess
import time

from tarsel_harness import require


def wait_until(predicate, timeout=10.0):
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        value = predicate()
        if value:
            return value
        time.sleep(0.05)
    return predicate()


def xvfb_display(tools, what):
    """Yields ":N" of a fresh Xvfb; skips (fails under CI) when `tools` are missing."""
    missing = [t for t in tools if not shutil.which(t)]
    require(not missing, what + ": " + ", ".join(missing))
    read, write = os.pipe()
    server = subprocess.Popen(["Xvfb", "-displayfd", str(write), "-screen", "0", "1024x768x24",
                               "-nolisten", "tcp"], pass_fds=(write,),
                              stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    os.close(write)
    with os.fdopen(read) as f:
        number = f.readline().strip()
    require(number.isdigit(), "a running Xvfb")
    yield ":" + number
    server.terminate()
    server.wait()
