#!/usr/bin/env bash
# Sets up what is missing, builds, and runs the whole test suite.
# Extra arguments go to CMake's configure step (e.g. -DCMAKE_CXX_FLAGS=...).
set -euo pipefail
cd "$(dirname "$0")/.."
build="${UPSCONFIG_BUILD_DIR:-build}"
scripts/install-deps.sh --kernel-hid --cockpit
cmake -S . -B "$build" -DUPSCONFIG_BUILD_TESTS=ON "$@"
cmake --build "$build" -j2
ctest --test-dir "$build" -j2 --output-on-failure --timeout 120
