#!/usr/bin/env bash
# Builds the agent and the load generator, then runs every benchmark on loopback.
# Usage: bench/run.sh [--quick]   (BUILD_DIR=build-x to use another build directory)
#        bench/run.sh --native  the native Wayland paths (after scripts/wayland.sh)
#        bench/run.sh --typing  text typed and pasted on each Wayland desktop (likewise)
#        bench/run.sh --page    the phone page in headless Chromium: load, weight, touch → effect
#        bench/run.sh --stall   the page's connection stalled for 2 s during a swipe (root, nft)
set -euo pipefail
cd "$(dirname "$0")/.."
build="${BUILD_DIR:-build}"
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" --target tarsel-server tarselctl tarsel-bench tarsel-web-bench tarsel-floor tarsel-alloc-count >/dev/null
if [ "${1:-}" = "--typing" ]; then
    exec flock /tmp/tarsel-udp3000.lock /usr/bin/python3 bench/text_rates.py
fi
if [ "${1:-}" = "--page" ]; then
    export TARSEL_BUILD_DIR="$PWD/$build"
    exec flock /tmp/tarsel-udp3000.lock /usr/bin/python3 bench/page_bench.py
fi
if [ "${1:-}" = "--stall" ]; then  # in a network namespace of its own: nft drops there only
    ns="tarsel-stall-$$"
    ip netns add "$ns"
    trap 'ip netns del "$ns"' EXIT
    TARSEL_BUILD_DIR="$PWD/$build" ip netns exec "$ns" /usr/bin/python3 bench/page_stall.py
    exit
fi
if [ "${1:-}" = "--native" ]; then
    exec flock /tmp/tarsel-udp3000.lock /usr/bin/python3 bench/native.py
fi
exec flock /tmp/tarsel-udp3000.lock /usr/bin/python3 bench/run.py --build "$build" "$@"
