#!/usr/bin/env bash
# Fails when a function of the programs (src/ and bench/, their headers included) is harder to
# follow than .clang-tidy allows: clang-tidy's readability-function-cognitive-complexity over
# 25. Runs on the compile_commands.json of a build folder (default: build), within 4 minutes.
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build}"
scripts/install-deps.sh clang-tidy
if [ ! -f "$build/compile_commands.json" ]; then
    echo "FAILED: no $build/compile_commands.json; build first" >&2
    exit 1
fi
ours="^$PWD/(src|bench)/"
out="$(mktemp)"
trap 'rm -f "$out"' EXIT
status=0
timeout 240 run-clang-tidy -p "$build" -j "$(nproc)" -quiet -header-filter="$ours" "$ours" \
    >"$out" 2>&1 || status=$?
if [ "$status" -eq 124 ]; then
    echo "FAILED: clang-tidy did not finish within 4 minutes" >&2
    exit 1
fi
if grep -E '(warning|error):' "$out" | sort -u | grep .; then
    echo "FAILED: the functions above are over the limit of .clang-tidy (or did not compile)" >&2
    exit 1
fi
if [ "$status" -ne 0 ]; then
    cat "$out" >&2
    echo "FAILED: clang-tidy ended with status $status" >&2
    exit 1
fi
echo "Complexity: no function of src/ or bench/ over the limit."
