#!/usr/bin/env bash
# Installs the Debian packages the agent and its tests need. Idempotent: it only
# asks apt when something is missing.
set -euo pipefail

BUILD_PKGS=(build-essential cmake ninja-build pkg-config ccache
  libasio-dev nlohmann-json3-dev libexpected-dev libicu-dev libavahi-client-dev
  libx11-dev libxtst-dev libevdev-dev libcurl4-openssl-dev
  libwayland-dev libwayland-bin libxkbcommon-dev libsystemd-dev
  qt6-base-dev libgl-dev libwslay-dev libqrencode-dev libssl-dev
  libboost-locale-dev gettext python3 python3-polib cmark)
RUN_PKGS=(lsof procps iproute2 xdg-utils qt6-qpa-plugins qt6-wayland wl-clipboard)
TEST_PKGS=(libgtest-dev libgmock-dev libbenchmark-dev python3 python3-pytest
  xvfb xauth x11-utils x11-xkb-utils xdotool xclip x11-apps avahi-daemon avahi-utils dbus
  openssl shellcheck systemd clang libclang-rt-14-dev imagemagick trayer
  dpkg-dev lintian desktop-file-utils clang-format clang-tidy-14 sway fonts-nanum fonts-noto-color-emoji
  xterm python3-gi gir1.2-gtk-4.0 gir1.2-vte-3.91
  python3-websocket python3-cryptography chromium chromium-driver python3-selenium)

# Making the package (cpack's dpkg-shlibdeps), and checking it (package.sh --check).
PACKAGE_PKGS=(dpkg-dev)
PACKAGE_CHECK_PKGS=(dpkg-dev lintian desktop-file-utils systemd python3 ufw)

# The desktops the Wayland tests start headless (about 300 packages, 4 minutes).
WAYLAND_PKGS=(mutter kwin-wayland libkf5service-bin libglib2.0-bin wev foot)

want=("${BUILD_PKGS[@]}" "${RUN_PKGS[@]}")
[ "${1:-}" = "--test" ] && want+=("${TEST_PKGS[@]}")
[ "${1:-}" = "--wayland" ] && want+=("${TEST_PKGS[@]}" "${WAYLAND_PKGS[@]}")
[ "${1:-}" = "--package" ] && want+=("${PACKAGE_PKGS[@]}")
[ "${1:-}" = "--package-check" ] && want+=("${PACKAGE_CHECK_PKGS[@]}")

# One query for all: a name missing from dpkg's database prints nothing.
missing=()
installed=" $( (dpkg-query -W -f='${binary:Package}=${db:Status-Status} ' "${want[@]}" 2>/dev/null ||
  true) | tr ' ' '\n' | sed -n 's/:[a-z0-9]*=/=/; s/=installed$//p' | tr '\n' ' ') "
for p in "${want[@]}"; do
  [[ $installed == *" $p "* ]] || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  export DEBIAN_FRONTEND=noninteractive
  # Another apt (unattended-upgrades, a second shell) is waited for, up to 5 minutes:
  # install waits by itself, update gives up at once and is tried again.
  for try in $(seq 60); do
    out=$(apt-get update -qq 2>&1) && break
    [[ $out == *"Could not get lock"* && $try -lt 60 ]] || { echo "$out" >&2; exit 1; }
    [ "$try" = 1 ] && echo "deps.sh: another apt holds its lock; waiting" >&2
    sleep 5
  done
  apt-get -o DPkg::Lock::Timeout=300 install -y -qq --no-install-recommends "${missing[@]}"
fi
