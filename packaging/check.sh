#!/usr/bin/env bash
# Builds the Debian packages from a built folder (default: build) and checks them: lists them,
# installs every component into a temporary prefix, runs lintian (errors, warnings and missing
# hardening fail), desktop-file-validate and appstreamcli validate on the result; then checks
# the split: upsconfig-cli installs on a machine without Qt or X, and an upgrade from the single
# package upsconfig of 1.3 takes over the files that moved.
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build}"
scripts/install-deps.sh lintian desktop-file-utils appstream

rm -f "$build"/*.deb
(cd "$build" && cpack -G DEB)
deb() {  # PACKAGE: the path of its .deb
    local found=("$build/$1"_*.deb)
    [ -e "${found[0]}" ] || { echo "FAILED: no package $1 was built" >&2; exit 1; }
    echo "${found[0]}"
}
for package in upsconfig-cli upsconfig upsconfig-demo cockpit-upsconfig; do
    echo "== $(deb "$package")"
    dpkg-deb -f "$(deb "$package")" Package Architecture Depends Replaces Breaks
    dpkg-deb -c "$(deb "$package")"
done

tmp="$(mktemp -d)"
trap 'rm -rf "$tmp"' EXIT
cmake --install "$build" --prefix "$tmp/prefix"
desktop-file-validate "$tmp"/prefix/share/applications/*.desktop
appstreamcli validate --no-net "$tmp"/prefix/share/metainfo/*.metainfo.xml
lintian --fail-on error,warning --display-info "$build"/*.deb | tee "$tmp/lintian.log"
# The distribution's hardening flags: lintian tells of their absence at the level of information.
if grep -E 'hardening-no-(bindnow|fortify-functions|relro|pie)' "$tmp/lintian.log"; then
    echo "FAILED: a program is built without the hardening flags (above)" >&2
    exit 1
fi

# What a machine with nothing installed would get with each package: the command line pulls in
# no Qt and no X; the window does (which shows that the check sees them).
touch "$tmp/empty-status"
pulled_in() {  # DEB...: the packages apt would install with them on an empty machine
    local debs=()
    for deb in "$@"; do debs+=("$(realpath "$deb")"); done
    apt-get install --simulate -o Dir::State::status="$tmp/empty-status" "${debs[@]}" |
        sed -n 's/^Inst \([^ ]*\) .*/\1/p'
}
graphical='^(libqt6|qt6-|libx11|libxcb|libgl1|libegl|libwayland|libxkbcommon)'
if pulled_in "$(deb upsconfig-cli)" | grep -E "$graphical"; then
    echo "FAILED: upsconfig-cli pulls in the graphical packages above" >&2
    exit 1
fi
pulled_in "$(deb upsconfig-cli)" "$(deb upsconfig)" | grep -qE "$graphical" ||
    { echo "FAILED: the check found no Qt under upsconfig either" >&2; exit 1; }

# An upgrade from 1.3, whose single package held the command line, its man page and the udev
# rules: into an empty root, the old package's files, then the new packages over them.
root="$tmp/root"
mkdir -p "$root/var/lib/dpkg/info" "$root/var/lib/dpkg/updates" "$tmp/old/DEBIAN"
touch "$root/var/lib/dpkg/status" "$root/var/lib/dpkg/available"
moved=(usr/bin/upsconfig-cli usr/share/man/man1/upsconfig-cli.1.gz
       usr/lib/udev/rules.d/70-upsconfig.rules)
for file in "${moved[@]}" usr/bin/upsconfig; do
    mkdir -p "$tmp/old/$(dirname "$file")"
    echo old >"$tmp/old/$file"
done
printf '%s\n' "Package: upsconfig" "Version: 1.3" "Architecture: $(dpkg --print-architecture)" \
    "Maintainer: test <test@example.org>" "Description: the single package of 1.3" \
    >"$tmp/old/DEBIAN/control"
dpkg-deb --root-owner-group -b "$tmp/old" "$tmp/upsconfig_1.3.deb" >/dev/null
# --auto-deconfigure as apt passes it: the old upsconfig is upgraded in the same run.
into_root=(dpkg --root="$root" --force-depends --force-script-chrootless --auto-deconfigure
           --log=/dev/null)
"${into_root[@]}" -i "$tmp/upsconfig_1.3.deb" >"$tmp/dpkg.log" 2>&1 ||
    { cat "$tmp/dpkg.log"; exit 1; }
"${into_root[@]}" -i "$(deb upsconfig-cli)" "$(deb upsconfig)" >"$tmp/dpkg.log" 2>&1 ||
    { cat "$tmp/dpkg.log"; echo "FAILED: the upgrade from 1.3" >&2; exit 1; }
for file in "${moved[@]}"; do
    owner="$(dpkg --root="$root" -S "/$file" | cut -d: -f1)"
    [ "$owner" = upsconfig-cli ] ||
        { echo "FAILED: after the upgrade /$file belongs to '$owner'" >&2; exit 1; }
    cmp -s "$root/$file" "$tmp/old/$file" &&
        { echo "FAILED: after the upgrade /$file is still the old one" >&2; exit 1; }
done
echo "Packages, install, the split and the upgrade from 1.3 checked."
