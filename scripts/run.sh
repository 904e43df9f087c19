#!/usr/bin/env bash
# Sets everything up and runs the agent in the foreground (Ctrl-C stops it).
# Packages need root; the agent is a per-user program, so when started through
# sudo it builds and runs as the user who called sudo, in that user's session.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
as_user=()
session=()
user="${SUDO_USER:-}"
if [ "$(id -u)" = 0 ] && [ -n "$user" ] && [ "$user" != root ]; then
    uid=$(id -u "$user")
    runtime="/run/user/$uid"
    as_user=(runuser -u "$user" --)
    session=(HOME="$(getent passwd "$user" | cut -d: -f6)" XDG_RUNTIME_DIR="$runtime"
        DBUS_SESSION_BUS_ADDRESS="unix:path=$runtime/bus")
    [ -n "${DISPLAY:-}" ] && session+=(DISPLAY="$DISPLAY")
    [ -n "${XAUTHORITY:-}" ] && session+=(XAUTHORITY="$XAUTHORITY")
    for socket in "$runtime"/wayland-[0-9]; do
        [ -S "$socket" ] && session+=(WAYLAND_DISPLAY="${socket##*/}") && break
    done
fi
"${as_user[@]}" cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
"${as_user[@]}" cmake --build build
exec "${as_user[@]}" env "${session[@]}" ./build/tarsel-server "$@"
