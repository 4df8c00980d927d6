#!/usr/bin/env bash
# Cross-builds the core and its tests for 64-bit Windows (MinGW-w64) and runs them under Wine.
# Exit status: 0 passed, 1 failed, 77 skipped (the reason is printed; with
# UPSCONFIG_WINDOWS_REQUIRED=1 a skip is a failure, as in CI).
set -euo pipefail
cd "$(dirname "$0")/.."

skip() {
    echo "SKIPPED: $*"
    [ "${UPSCONFIG_WINDOWS_REQUIRED:-0}" = 1 ] && exit 1
    exit 77
}

[ "$(uname -m)" = x86_64 ] || skip "Wine runs x86-64 Windows programs here; this host is $(uname -m)"
scripts/install-deps.sh --windows
command -v wine >/dev/null && command -v wineserver >/dev/null || skip "wine missing (package wine)"

cmake --preset mingw
cmake --build --preset mingw

# One prefix, kept between runs (making one takes about 25 s); one run at a time uses it.
export WINEPREFIX="${UPSCONFIG_WINEPREFIX:-${XDG_CACHE_HOME:-${HOME:-/tmp}/.cache}/upsconfig/wine}"
export WINEDEBUG=-all
# Nothing here needs Mono or Gecko, and Wine would offer to download them.
export WINEDLLOVERRIDES="mscoree,mshtml="
mkdir -p "$WINEPREFIX"
exec 9>"$WINEPREFIX.lock"
flock 9

# One server for the whole run, and Wine's background programs started before ctest: started by
# the first test instead, they hold its output pipe open until the time-out, and every test
# would pay for a server of its own.
start_wine() {
    wineserver -k 2>/dev/null || true  # one left by a run that was killed
    wineserver -p
    wine cmd /c exit >"$WINEPREFIX.log" 2>&1
}
trap 'wineserver -k 2>/dev/null || true' EXIT
if ! start_wine; then
    echo "Wine did not start in $WINEPREFIX; making the prefix anew"
    wineserver -k 2>/dev/null || true
    rm -rf "$WINEPREFIX"
    mkdir -p "$WINEPREFIX"
    start_wine || { cat "$WINEPREFIX.log"; echo "Wine does not start"; exit 1; }
fi

ctest --preset mingw
