#!/usr/bin/env bash
# Builds the Debian package build/tarsel_<version>_<arch>.deb.
# --check (CI, as root) then runs lintian, installs the package with apt-get,
# runs the installed agent under the record backend from a temporary home,
# pings it with the installed tarselctl, and removes the package again.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh --test
export CCACHE_BASEDIR="$PWD" CCACHE_NOHASHDIR=1
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build --target tarsel-server tarselctl >/dev/null
(cd build && rm -f tarsel_*.deb && cpack -G DEB >/dev/null)
deb=$(ls "$PWD"/build/tarsel_*.deb)
echo "== built $deb"
[ "${1:-}" = "--check" ] || exit 0

lintian --fail-on error "$deb"
export DEBIAN_FRONTEND=noninteractive
apt-get install -y -qq "$deb" >/dev/null
home=$(mktemp -d)
cleanup() {
  [ -n "${agent:-}" ] && kill "$agent" 2>/dev/null && wait "$agent" 2>/dev/null
  if dpkg -s tarsel >/dev/null 2>&1; then apt-get purge -y -qq tarsel >/dev/null; fi
  rm -rf "$home"
}
trap cleanup EXIT
# systemd and the desktop must accept what the package installed.
runtime=$(mktemp -d)
XDG_RUNTIME_DIR="$runtime" systemd-analyze --user verify /usr/lib/systemd/user/tarsel-server.service
rm -rf "$runtime"
[ -f /usr/lib/udev/rules.d/70-tarsel-uinput.rules ] && [ -f /usr/lib/modules-load.d/tarsel.conf ]
# Man pages, the documentation, the firewall profiles.
[ -f /usr/share/man/man1/tarsel-server.1.gz ] && [ -f /usr/share/man/man1/tarselctl.1.gz ]
[ -f /usr/share/doc/tarsel/docs/LINUX_INPUT.md ] && [ -f /usr/share/tarsel/TROUBLESHOOTING.md ] &&
  [ -f /etc/ufw/applications.d/tarsel ]
python3 -c 'import sys, xml.dom.minidom as m; m.parse(sys.argv[1])' /usr/lib/firewalld/services/tarsel.xml
desktop-file-validate /usr/share/applications/tarsel-server.desktop \
  /usr/share/applications/tarsel-server-kwin.desktop \
  /etc/xdg/autostart/tarsel-server.desktop
/usr/bin/tarsel-server --version
/usr/bin/tarselctl --help >/dev/null
# The agent takes UDP port 3000; the end-to-end tests and benchmarks share the lock.
exec 9>/tmp/tarsel-udp3000.lock
flock 9
env -u DISPLAY HOME="$home" TARSEL_BACKEND=record TARSEL_RECORD="$home/effects.jsonl" \
  TARSEL_WEBSITE_HOST=127.0.0.1:9 /usr/bin/tarsel-server 135790 >"$home/agent.log" 2>&1 &
agent=$!
for _ in $(seq 100); do
  grep -q "서버 리스너 대기 중" "$home/agent.log" && break
  sleep 0.1
done
[ "$(/usr/bin/tarselctl ping 127.0.0.1 --pin 135790)" = pong ]
[ -d "$home/.config/tarsel" ]  # the freedesktop place, not ~/Library
[ ! -e "$home/Library" ]
echo "== installed package answered ping; removing it"
kill "$agent" 2>/dev/null || true
wait "$agent" 2>/dev/null || true
agent=""
apt-get purge -y -qq tarsel >/dev/null  # the maintainer scripts run here too
[ ! -e /etc/ufw/applications.d/tarsel ] && [ ! -e /usr/lib/udev/rules.d/70-tarsel-uinput.rules ]
echo "== purged: nothing left"
