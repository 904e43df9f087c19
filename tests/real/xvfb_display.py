"""A private Xvfb display for the real-backend tests."""
import os
import shutil
import subprocess

from tarsel_harness import require, track


def xvfb_display(tools, what, extra=()):
    """":N" of a fresh Xvfb started with `extra` arguments, ended after the
    test; skips (fails under CI) when `tools` are missing."""
    missing = [t for t in tools if not shutil.which(t)]
    require(not missing, what + ": " + ", ".join(missing))
    read, write = os.pipe()
    track(subprocess.Popen(["Xvfb", "-displayfd", str(write), "-screen", "0", "1024x768x24",
                               "-nolisten", "tcp", *extra], pass_fds=(write,),
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL))
    os.close(write)
    with os.fdopen(read) as f:
        number = f.readline().strip()
    require(number.isdigit(), "a running Xvfb")
    return ":" + number
