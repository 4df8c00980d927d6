#!/usr/bin/env bash
# Builds the Debian packages from a built folder (default: build) and checks them: lists them,
# installs both components into a temporary prefix, and runs lintian (errors fail),
# desktop-file-validate and appstreamcli validate on the result.
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build}"
scripts/install-deps.sh lintian desktop-file-utils appstream

rm -f "$build"/*.deb
(cd "$build" && cpack -G DEB)
for deb in "$build"/*.deb; do
    echo "== $deb"
    dpkg-deb -c "$deb"
done

tmp="$(mktemp -d)"
trap 'rm -rf "$tmp"' EXIT
cmake --install "$build" --prefix "$tmp" --component upsconfig
cmake --install "$build" --prefix "$tmp" --component demo
desktop-file-validate "$tmp"/share/applications/*.desktop
appstreamcli validate --no-net "$tmp"/share/metainfo/*.metainfo.xml
lintian --fail-on error "$build"/*.deb
echo "Packages and install checked."
