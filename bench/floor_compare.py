"""The agent against the floor (bench/floor.cpp, a move's required work and
nothing more), in one run and interleaved: CPU per move on the record backend and
on X11 under Xvfb (with the X server's own CPU), and the record backend's
datagram→record-line latency."""
import os
import pathlib
import statistics
import subprocess
import tempfile
import time

def cpu_of(pid):
    """Seconds on the CPU of every thread of `pid`, to the nanosecond (schedstat)."""
    total = 0
    for task in pathlib.Path(f"/proc/{pid}/task").iterdir():
        try:
            total += int((task / "schedstat").read_text().split()[0])
        except (OSError, ValueError, IndexError):
            pass
    return total / 1e9


class Floor:
    def __init__(self, build, pin, record=None, display=None):
        tool = next(p for p in (build / "bench" / "tarsel-floor", build / "tarsel-floor")
                    if p.exists())
        args = [str(tool), "--pin", pin]
        args += ["--record", str(record)] if record else ["--x11"]
        env = dict(os.environ, DISPLAY=display) if display else dict(os.environ)
        self.proc = subprocess.Popen(args, env=env, stdout=subprocess.PIPE)
        self.proc.stdout.readline()  # "ready"

    def cpu_seconds(self):
        return cpu_of(self.proc.pid)

    def stop(self):
        self.proc.kill()
        self.proc.wait()


def xvfb():
    read, write = os.pipe()
    proc = subprocess.Popen(["Xvfb", "-displayfd", str(write), "-screen", "0", "1920x1080x24",
                             "-nolisten", "tcp"], pass_fds=(write,),
                            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    os.close(write)
    with os.fdopen(read) as f:
        return proc, ":" + f.readline().strip()


def one_stream(server, extra_pids, stream, rate, seconds):
    """CPU µs per move of `server` (and of `extra_pids`, the X server) over a paced stream."""
    pids = [server.proc.pid, *extra_pids]
    c0 = [cpu_of(p) for p in pids]
    result = stream(rate, seconds)
    time.sleep(0.2)
    used = [cpu_of(p) - c for p, c in zip(pids, c0)]
    sent = len(result["sends"])
    return [1e6 * u / sent for u in used], result


def versus_floor(build, pin, make_agent, stream, latency, rounds=3, rate=1000, seconds=5):
    """Median CPU per move of agent and floor, alternating, on both backends."""
    out = {}
    for backend in ("record", "x11"):
        runs = {"agent": [], "floor": [], "agent_x": [], "floor_x": [],
                "agent_p99": [], "floor_p99": []}
        for _ in range(rounds):
            x, display = xvfb() if backend == "x11" else (None, None)
            extra = [x.pid] if x else []
            try:
                for who in ("agent", "floor"):
                    home = pathlib.Path(tempfile.mkdtemp(prefix="tarsel-floor-"))
                    record = home / "effects.jsonl" if backend == "record" else None
                    server = (make_agent(display) if who == "agent" else
                              Floor(build, pin, record, display))
                    try:
                        time.sleep(0.5)
                        cpu, result = one_stream(server, extra, stream, rate, seconds)
                        runs[who].append(cpu[0])
                        if x:
                            runs[who + "_x"].append(cpu[1])
                        elif who == "floor":
                            runs["floor_p99"].append(latency(result, record))
                        else:
                            runs["agent_p99"].append(latency(result, server.record))
                    finally:
                        server.stop()
            finally:
                if x:
                    x.kill()
                    x.wait()
        out[backend] = {k: statistics.median(v) if v else None for k, v in runs.items()}
        out[backend]["rounds"] = rounds
    return out
