#!/usr/bin/env bash
# Sets up what is missing, builds, and starts the tool on its built-in simulated unit.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake -S . -B build
cmake --build build -j2 --target upsconfig-demo
if [ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
    out="${PWD}/screenshots"
    QT_QPA_PLATFORM=offscreen build/src/demo/upsconfig-demo --screenshots "$out"
    echo "No display: screenshots of every tab are in $out"
else
    exec build/src/demo/upsconfig-demo "$@"
fi
