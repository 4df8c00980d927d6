#!/bin/sh
# Checks the Windows installer: lists its files against what it must carry, and with Wine
# (a second argument) installs it silently, runs the installed program and removes it again.
# Output goes to files: a pipe would stay open while Wine's background programs live.
set -eu
msi="$1"
wine="${2:-}"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

msiinfo export "$msi" File >"$work/files"
listed="$(awk -F '\t' 'NR > 3 { print $3 }' "$work/files" | sort | tr '\n' ' ')"
expected="LICENSE.txt THIRD-PARTY.txt upsconfig-cli.exe "
if [ "$listed" != "$expected" ]; then
    echo "the installer holds: $listed; it must hold: $expected"
    exit 1
fi
echo "The installer holds: $listed"
[ -n "$wine" ] || exit 0

installed="${WINEPREFIX:-$HOME/.wine}/drive_c/Program Files/upsconfig/upsconfig-cli.exe"
package="$("$wine" winepath -w "$msi" 2>/dev/null)"
"$wine" msiexec /i "$package" /qn >"$work/install" 2>&1 ||
    { cat "$work/install"; echo "the installer failed"; exit 1; }
# A failed check leaves no installed program behind for the next run.
trap '"$wine" msiexec /x "$package" /qn >/dev/null 2>&1; rm -rf "$work"' EXIT
"$wine" "$installed" --version >"$work/version" 2>&1 || true
grep -q '^upsconfig-cli ' "$work/version" ||
    { cat "$work/version"; echo "the installed program did not run"; exit 1; }
# Its own input and output on Windows: a settings file on standard output keeps its CR LF (the
# runtime's text mode would write CR CR LF), and the NUL device is no terminal to ask at.
state="$("$wine" winepath -w "$work/sim.state" 2>/dev/null)"
"$wine" "$installed" --simulate --sim-state "$state" export >"$work/export" 2>&1 || true
cr="$(printf '\r')"
if ! grep -q "</Config>$cr\$" "$work/export" || grep -q "$cr$cr" "$work/export"; then
    od -c "$work/export" | head; echo "the exported settings file is not CR LF as written"; exit 1
fi
status=0
"$wine" "$installed" --simulate --sim-state "$state" outlet 1 off </dev/null >"$work/ask" 2>&1 ||
    status=$?
if [ "$status" != 2 ] || ! grep -q 'no terminal to ask' "$work/ask"; then
    cat "$work/ask"; echo "with no terminal, outlet off asked anyway (exit $status)"; exit 1
fi
"$wine" msiexec /x "$package" /qn >"$work/remove" 2>&1 ||
    { cat "$work/remove"; echo "the uninstaller failed"; exit 1; }
trap 'rm -rf "$work"' EXIT
if [ -e "$installed" ]; then
    echo "the uninstaller left $installed"
    exit 1
fi
echo "Installed, ran ($(cat "$work/version")) and removed under Wine."
