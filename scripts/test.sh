#!/usr/bin/env bash
# Sets everything up, builds, and runs every test. Exits non-zero on any failure.
# Then the hardening runs: the unit and end-to-end tests again under ASan+UBSan
# and under TSan, and each libFuzzer target for a minute.
# TARSEL_QUICK=1 skips the hardening runs; TARSEL_FUZZ_SECONDS sets the fuzz time.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh --test
# Builds of this tree in other folders (CI's fresh clone) share ccache entries.
export CCACHE_BASEDIR="$PWD" CCACHE_NOHASHDIR=1
started=$SECONDS
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build
(cd build && ctest --output-on-failure -j2 --timeout 900)
echo "== main build and tests: $((SECONDS - started)) s"
[ "${TARSEL_QUICK:-0}" = 1 ] && exit 0
bash scripts/hardening.sh
echo "== everything: $((SECONDS - started)) s"
