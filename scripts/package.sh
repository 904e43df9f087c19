#!/usr/bin/env bash
# Builds the Debian package build/tarsel_<version>_<arch>.deb.
# --check (CI, as root) then runs lintian, installs the package with apt-get,
# runs the installed agent as an unprivileged user under the record backend,
# pings it with the installed tarselctl, checks that the first start enabled
# start at log-in, that `apt remove` stops the agent and that purge leaves no
# file of the package.
set -euo pipefail
cd "$(dirname "$0")/.."
# Only what making (and, with --check, checking) the package needs.
if [ "${1:-}" = "--check" ]; then bash scripts/deps.sh --package-check; else bash scripts/deps.sh --package; fi
export CCACHE_BASEDIR="$PWD" CCACHE_NOHASHDIR=1
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build --target tarsel-server tarselctl >/dev/null
(cd build && rm -f tarsel_*.deb && cpack -G DEB >/dev/null)
deb=$(ls "$PWD"/build/tarsel_*.deb)
echo "== built $deb"
[ "${1:-}" = "--check" ] || exit 0

lintian --fail-on error "$deb"
# Built with Debian's hardening flags: no hardening tag, even an informational one.
if lintian -I "$deb" | grep -E ' hardening-'; then exit 1; fi
export DEBIAN_FRONTEND=noninteractive
apt-get install -y -qq "$deb" >/dev/null
dpkg -L tarsel | sort >"$PWD/build/package-files.txt"
# A newcomer: an unprivileged user with a home of their own.
user=tarsel-check
id "$user" >/dev/null 2>&1 || useradd --create-home --shell /bin/sh "$user"
home=$(getent passwd "$user" | cut -d: -f6)
cleanup() {
  [ -n "${agent:-}" ] && kill "$agent" 2>/dev/null && wait "$agent" 2>/dev/null
  if dpkg -s tarsel >/dev/null 2>&1; then apt-get purge -y -qq tarsel >/dev/null; fi
  userdel --remove "$user" 2>/dev/null || true
}
trap cleanup EXIT
# systemd and the desktop must accept what the package installed.
runtime=$(mktemp -d)
XDG_RUNTIME_DIR="$runtime" systemd-analyze --user verify /usr/lib/systemd/user/tarsel-server.service
rm -rf "$runtime"
[ -f /usr/lib/udev/rules.d/70-tarsel-uinput.rules ] && [ -f /usr/lib/modules-load.d/tarsel.conf ]
# Man pages, the documentation, the firewall profiles.
[ -f /usr/share/man/man1/tarsel-server.1.gz ] && [ -f /usr/share/man/man1/tarselctl.1.gz ]
[ -f /usr/share/doc/tarsel/docs/LINUX_INPUT.md ] && [ -f /usr/share/tarsel/help/en.html ] && [ -f /usr/share/tarsel/help/ko.html ] &&
  [ -f /etc/ufw/applications.d/tarsel ]
ufw app info Tarsel | grep -q '3090/tcp'  # the name the README and the log print
python3 -c 'import sys, xml.dom.minidom as m; m.parse(sys.argv[1])' /usr/lib/firewalld/services/tarsel.xml
grep -q "^Comment\[ko\]=" /usr/share/applications/tarsel-server.desktop  # translated
desktop-file-validate /usr/share/applications/tarsel-server.desktop \
  /usr/share/applications/tarsel-server-kwin.desktop \
  /etc/xdg/autostart/tarsel-server.desktop
/usr/bin/tarsel-server --version
/usr/bin/tarselctl --help >/dev/null
# The agent takes UDP port 3000; the end-to-end tests and benchmarks share the lock.
exec 9>/tmp/tarsel-udp3000.lock
flock 9
as_user() { runuser -u "$user" -- env -i HOME="$home" PATH=/usr/bin:/bin LANGUAGE=ko "$@"; }
as_user TARSEL_BACKEND=record TARSEL_RECORD="$home/effects.jsonl" \
  TARSEL_WEBSITE_HOST=127.0.0.1:9 /usr/bin/tarsel-server 135790 >"$home/agent.log" 2>&1 &
agent=$!
for _ in $(seq 100); do
  grep -q "서버 리스너 대기 중" "$home/agent.log" && break
  sleep 0.1
done
[ "$(as_user /usr/bin/tarselctl ping 127.0.0.1 --pin 135790)" = pong ]
[ -d "$home/.config/tarsel" ]  # the freedesktop place, not ~/Library
[ ! -e "$home/Library" ]
# The first start turned start at log-in on, once: the packaged unit linked
# as `systemctl --user enable` links it, and the choice recorded.
link="$home/.config/systemd/user/graphical-session.target.wants/tarsel-server.service"
[ "$(readlink "$link")" = /usr/lib/systemd/user/tarsel-server.service ]
runtime=$(mktemp -d)
XDG_RUNTIME_DIR="$runtime" systemd-analyze --user verify "$link" >/dev/null
rm -rf "$runtime"
[ "$(cat "$home/.local/state/tarsel/autostart")" = on ]
[ "$(as_user /usr/bin/tarselctl autostart status)" = \
  "start at log-in: on (systemd user unit /usr/lib/systemd/user/tarsel-server.service)" ]
echo "== the first start enabled the user's unit; removing the package"
# Removing the package ends the user's running agent, in order.
apt-get remove -y -qq tarsel >/dev/null
for _ in $(seq 50); do kill -0 "$agent" 2>/dev/null || break; sleep 0.1; done
if kill -0 "$agent" 2>/dev/null; then echo "the agent outlived apt remove" >&2; exit 1; fi
wait "$agent" 2>/dev/null || true
agent=""
grep -q "✅ 정리 완료" "$home/agent.log"
apt-get purge -y -qq tarsel >/dev/null  # the maintainer scripts run here too
left=$(while read -r f; do if [ -f "$f" ]; then echo "$f"; fi; done <"$PWD/build/package-files.txt")
if [ -n "$left" ]; then echo "left after purge: $left" >&2; exit 1; fi
echo "== removed: the agent stopped in order; purged: no file of the package left"
