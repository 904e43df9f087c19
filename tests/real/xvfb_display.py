"""A private Xvfb display for the real-backend tests."""
import os
import shutil
import subprocess

from tarsel_harness import require


def xvfb_display(tools, what, extra=()):
    """Yields ":N" of a fresh Xvfb started with `extra` arguments; skips (fails
    under CI) when `tools` are missing."""
    missing = [t for t in tools if not shutil.which(t)]
    require(not missing, what + ": " + ", ".join(missing))
    read, write = os.pipe()
    server = subprocess.Popen(["Xvfb", "-displayfd", str(write), "-screen", "0", "1024x768x24",
                               "-nolisten", "tcp", *extra], pass_fds=(write,),
                              stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    os.close(write)
    with os.fdopen(read) as f:
        number = f.readline().strip()
    require(number.isdigit(), "a running Xvfb")
    yield ":" + number
    server.terminate()
    server.wait()
