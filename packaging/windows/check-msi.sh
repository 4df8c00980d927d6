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
"$wine" msiexec /i "$("$wine" winepath -w "$msi" 2>/dev/null)" /qn >"$work/install" 2>&1 ||
    { cat "$work/install"; echo "the installer failed"; exit 1; }
"$wine" "$installed" --version >"$work/version" 2>&1 || true
grep -q '^upsconfig-cli ' "$work/version" ||
    { cat "$work/version"; echo "the installed program did not run"; exit 1; }
"$wine" msiexec /x "$("$wine" winepath -w "$msi" 2>/dev/null)" /qn >"$work/remove" 2>&1 ||
    { cat "$work/remove"; echo "the uninstaller failed"; exit 1; }
if [ -e "$installed" ]; then
    echo "the uninstaller left $installed"
    exit 1
fi
echo "Installed, ran ($(cat "$work/version")) and removed under Wine."
