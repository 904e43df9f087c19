#!/usr/bin/env bash
# Sets up the Wayland desktops (sway, Mutter, KWin: about 300 packages) and runs
# the tests that drive their native windows: tests/real/test_wayland.py.
# Separate from scripts/test.sh, which stays within a few minutes.
set -euo pipefail
cd "$(dirname "$0")/.."
started=$SECONDS
bash scripts/deps.sh --wayland
echo "== packages: $((SECONDS - started)) s"
export CCACHE_BASEDIR="$PWD" CCACHE_NOHASHDIR=1
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DTARSEL_WERROR="${TARSEL_WERROR:-OFF}" >/dev/null
cmake --build build
t=$SECONDS
(cd build && ctest --output-on-failure --timeout 600 -R '^real\.test_wayland$')
echo "== Wayland desktops: $((SECONDS - t)) s"
