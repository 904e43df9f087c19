#!/usr/bin/env bash
# Sets everything up and runs the agent in the foreground (Ctrl-C stops it).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build
exec ./build/tarsel-server "$@"
