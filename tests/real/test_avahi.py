"""The real Avahi advertisement, observed with avahi-browse inside a private namespace."""
import os
import shutil
import subprocess
import uuid

from tarsel_harness import SERVER, require

HERE = os.path.dirname(os.path.abspath(__file__))


def test_advertisement_is_found_by_avahi_browse(tmp_path):
    require(os.geteuid() == 0, "root (to create a network namespace)")
    tools = ("ip", "unshare", "dbus-daemon", "avahi-daemon", "avahi-browse")
    require(all(map(shutil.which, tools)), ", ".join(tools))
    ns = "tarsel-" + uuid.uuid4().hex[:8]
    subprocess.run(["ip", "netns", "add", ns], check=True)
    try:
        subprocess.run(["ip", "netns", "exec", ns, "unshare", "--mount", "--propagation", "private",
                        os.path.join(HERE, "avahi_netns.sh"), str(SERVER), str(tmp_path),
                        str(tmp_path)], check=True, timeout=60,
                       env=dict(os.environ, LANGUAGE="ko"))  # the agent's lines in Korean
    finally:
        subprocess.run(["ip", "netns", "del", ns], check=False)
    log = (tmp_path / "agent.log").read_text()
    name = log.split("📡 [mDNS] _tarsel._udp 광고 시작 (")[1].rsplit(":3000)", 1)[0]
    rows = [r.split(";") for r in (tmp_path / "browse.txt").read_text().splitlines() if r]
    assert rows, f"avahi-browse found nothing; agent log:\n{log}"
    assert any(r[2] == "IPv4" and r[3] == name and r[4] == "_tarsel._udp" and r[5] == "local"
               and r[8] == "3000" for r in rows), rows
    # The daemon speaks IPv6 too, but the agent listens on IPv4 only: no phone
    # is sent to an IPv6 socket someone else could hold.
    assert all(r[2] == "IPv4" for r in rows), rows
