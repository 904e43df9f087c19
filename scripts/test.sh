#!/usr/bin/env bash
# Sets everything up, builds, and runs every unit, end-to-end and real-backend
# test, printing each suite's time. Exits non-zero on any failure.
# The sanitizer and fuzz runs are their own command: scripts/hardening.sh; the
# tests against real Wayland desktops too: scripts/wayland.sh.
set -euo pipefail
cd "$(dirname "$0")/.."
started=$SECONDS
bash scripts/deps.sh --test
echo "== packages: $((SECONDS - started)) s"
# Builds of this tree in other folders (CI's fresh clone) share ccache entries.
export CCACHE_BASEDIR="$PWD" CCACHE_NOHASHDIR=1
t=$SECONDS
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DTARSEL_WERROR="${TARSEL_WERROR:-OFF}" >/dev/null
cmake --build build
echo "== build: $((SECONDS - t)) s"
failed=0
suite() {
    local name=$1
    shift
    local t=$SECONDS
    (cd build && ctest --output-on-failure -j2 --timeout 900 "$@") || failed=1
    echo "== $name: $((SECONDS - t)) s"
}
suite "unit tests and fuzz corpora" -E '^(e2e|real)\.'
suite "end-to-end tests" -R '^e2e\.'
suite "real-backend tests" -R '^real\.' -E '^real\.test_wayland$'
echo "== everything: $((SECONDS - started)) s"
exit $failed
