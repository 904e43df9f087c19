#!/usr/bin/env bash
# Runs inside a private network and mount namespace made by test_avahi.py:
# its own D-Bus system bus and avahi-daemon on a veth pair, then the agent
# (headless backend), then avahi-browse. Nothing leaves the namespace.
set -euo pipefail
server=$1 home=$2 out=$3

ip link set lo up
ip link add tsl0 type veth peer name tsl1
for i in 0 1; do
  ip addr add "10.231.0.$((i + 1))/24" dev "tsl$i"
  ip -6 addr add "fd00:231::$((i + 1))/64" dev "tsl$i" nodad
  ip link set "tsl$i" up
done

mount -t tmpfs tmpfs /run/dbus 2>/dev/null || { mkdir -p /run/dbus; mount -t tmpfs tmpfs /run/dbus; }
mkdir -p /run/avahi-daemon && mount -t tmpfs tmpfs /run/avahi-daemon
# Its own pid: the process namespace is the machine's, whose system bus must live on.
dbus=$(dbus-daemon --system --fork --print-pid)
cat > "$home/avahi.conf" <<CONF
[server]
use-ipv4=yes
use-ipv6=yes
allow-interfaces=tsl0,tsl1
enable-dbus=yes
[publish]
publish-workstation=no
publish-hinfo=no
CONF

# The agent starts first: a daemon that comes later must still be picked up.
HOME=$home TARSEL_BACKEND=headless TARSEL_WEBSITE_HOST=127.0.0.1:9 \
  "$server" 246810 >"$out/agent.log" 2>&1 &
agent=$!
sleep 1
avahi-daemon --daemonize --no-chroot --no-drop-root -f "$home/avahi.conf"

found=""
for _ in $(seq 1 30); do
  found=$(avahi-browse -rpt _tarsel._udp 2>/dev/null | grep '^=' || true)
  [ -n "$found" ] && break
  sleep 0.5
done
printf '%s\n' "$found" >"$out/browse.txt"
kill "$agent" "$dbus" 2>/dev/null || true
avahi-daemon -k 2>/dev/null || true  # its pid file is on this namespace's /run
wait "$agent" 2>/dev/null || true
