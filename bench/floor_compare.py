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
    def __init__(self, build, pin, record=None, display=None, extra_env=None):
        tool = next(p for p in (build / "bench" / "tarsel-floor", build / "tarsel-floor")
                    if p.exists())
        args = [str(tool), "--pin", pin]
        args += ["--record", str(record)] if record else ["--x11"]
        env = dict(os.environ, DISPLAY=display) if display else dict(os.environ)
        env.update(extra_env or {})
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


def allocations(path):
    try:
        return int(path.read_text())
    except (OSError, ValueError):
        return None


def one_stream(server, extra_pids, stream, rate, seconds, count_file):
    """CPU µs per move of `server` (and of `extra_pids`, the X server) and its
    heap allocations per move, over a paced stream."""
    pids = [server.proc.pid, *extra_pids]
    c0, a0 = [cpu_of(p) for p in pids], allocations(count_file)
    result = stream(rate, seconds)
    time.sleep(0.2)
    used = [cpu_of(p) - c for p, c in zip(pids, c0)]
    a1 = allocations(count_file)
    sent = len(result["sends"])
    allocs = (a1 - a0) / sent if a0 is not None and a1 is not None else None
    return [1e6 * u / sent for u in used], allocs, result


def syscalls_per_move(server, stream, rate=1000, seconds=2):
    """System calls of every thread of `server` per move (strace -c)."""
    out = pathlib.Path(tempfile.mktemp(prefix="tarsel-strace-"))
    tracer = subprocess.Popen(["strace", "-c", "-f", "-o", str(out), "-p", str(server.proc.pid)],
                              stderr=subprocess.DEVNULL)
    time.sleep(0.5)
    sent = len(stream(rate, seconds)["sends"])
    tracer.send_signal(2)
    tracer.wait()
    total = next((int(l.split()[3]) for l in out.read_text().splitlines()
                  if l.rstrip().endswith("total")), None)
    return total / sent if total else None


def versus_floor(build, pin, make_agent, stream, latency, rounds=3, rate=1000, seconds=5):
    """Median CPU per move of agent and floor, alternating, on both backends."""
    out = {}
    library = next((p for p in (build / "bench" / "libtarsel-alloc-count.so",
                                build / "libtarsel-alloc-count.so") if p.exists()), None)
    for backend in ("record", "x11"):
        runs = {"agent": [], "floor": [], "agent_x": [], "floor_x": [],
                "agent_p99": [], "floor_p99": [], "agent_allocs": [], "floor_allocs": [],
                "agent_syscalls": [], "floor_syscalls": []}
        for _ in range(rounds):
            x, display = xvfb() if backend == "x11" else (None, None)
            extra = [x.pid] if x else []
            try:
                for who in ("agent", "floor"):
                    home = pathlib.Path(tempfile.mkdtemp(prefix="tarsel-floor-"))
                    record = home / "effects.jsonl" if backend == "record" else None
                    count = home / "allocations"
                    env = ({"LD_PRELOAD": str(library), "TARSEL_ALLOC_COUNT": str(count)}
                           if library else {})
                    server = (make_agent(display, env) if who == "agent" else
                              Floor(build, pin, record, display, env))
                    try:
                        time.sleep(0.5)
                        cpu, allocs, result = one_stream(server, extra, stream, rate, seconds,
                                                         count)
                        runs[who].append(cpu[0])
                        if allocs is not None:
                            runs[who + "_allocs"].append(allocs)
                        if x:
                            runs[who + "_x"].append(cpu[1])
                        elif who == "floor":
                            runs["floor_p99"].append(latency(result, record))
                        else:
                            runs["agent_p99"].append(latency(result, server.record))
                        if len(runs[who + "_syscalls"]) == 0:
                            runs[who + "_syscalls"].append(syscalls_per_move(server, stream))
                    finally:
                        server.stop()
            finally:
                if x:
                    x.kill()
                    x.wait()
        out[backend] = {k: statistics.median(v) if v else None for k, v in runs.items()}
        out[backend]["rounds"] = rounds
    return out
