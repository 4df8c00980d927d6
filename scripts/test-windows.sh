#!/usr/bin/env bash
# Cross-builds the core, the command line and their tests for 64-bit Windows (MinGW-w64) and runs
# them under Wine, with the installer's check; then, in the QEMU guest of tests/kernel-hid,
# upsconfig-cli.exe against the kernel HID device through Wine's HID stack (the guest's
# responder and test program come from the Linux build in UPSCONFIG_LINUX_BUILD_DIR, by default
# build, whose two targets are built here).
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
scripts/install-deps.sh --windows --kernel-hid
command -v wine >/dev/null && command -v wineserver >/dev/null || skip "wine missing (package wine)"

cmake --preset mingw
cmake --build --preset mingw

# One prefix, kept between runs (making one takes about 25 s); one run at a time uses it. The
# guest runs Wine in it too.
export WINEPREFIX="${UPSCONFIG_WINEPREFIX:-${XDG_CACHE_HOME:-${HOME:-/tmp}/.cache}/upsconfig/wine}"
export WINEDEBUG=-all
# Nothing here needs Mono or Gecko, and Wine would offer to download them.
export WINEDLLOVERRIDES="mscoree,mshtml="
mkdir -p "$WINEPREFIX"
exec 9>"$WINEPREFIX.lock"
flock 9

# One server for the whole run, and Wine's background programs started before ctest: started by
# the first test instead, they hold its output pipe open until the time-out, and every test
# would pay for a server of its own. Wine's HID bus lists the kernel's hidraw devices (in the
# guest below) only with its SDL bus off; the server writes that to the prefix as it ends.
start_wine() {
    wineserver -k 2>/dev/null || true  # one left by a run that was killed
    wineserver -p
    wine cmd /c exit >"$WINEPREFIX.log" 2>&1 &&
        wine reg add 'HKLM\System\CurrentControlSet\Services\winebus' /v 'Enable SDL' \
            /t REG_DWORD /d 0 /f >>"$WINEPREFIX.log" 2>&1
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
wineserver -k 2>/dev/null || true  # the prefix written and at rest while the guest reads it

linux="${UPSCONFIG_LINUX_BUILD_DIR:-build}"
[ -f "$linux/CMakeCache.txt" ] || cmake -S . -B "$linux" -DUPSCONFIG_BUILD_TESTS=ON
cmake --build "$linux" -j2 --target kernel-hid-responder kernel-hid-tests
status=0
UPSCONFIG_KERNEL_HID_REQUIRED="${UPSCONFIG_WINDOWS_REQUIRED:-0}" tests/kernel-hid/run.sh \
    --work build-mingw/kernel-hid-wine --responder "$linux/tests/kernel-hid/kernel-hid-responder" \
    --tests "$linux/tests/kernel-hid/kernel-hid-tests" \
    --wine-cli build-mingw/src/cli/upsconfig-cli.exe --wine-prefix "$WINEPREFIX" || status=$?
exit "$status"
