#!/usr/bin/env bash
# Regenerates the pictures the README shows (docs/screenshots/) from the demo and the web
# console page, with no display.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build >/dev/null
cmake --build build -j2 --target upsconfig-demo
shots="$(mktemp -d)"
trap 'rm -rf "$shots"' EXIT
QT_QPA_PLATFORM=offscreen build/src/demo/upsconfig-demo --screenshots "$shots" >/dev/null
mkdir -p docs/screenshots
for picture in 01-ups 03-outlet1 07-dry-contact simulated-unit communication-error \
    communication-error-diagnosis unit-choice turn-off-question save-question changes-not-applied; do
    cp "$shots/$picture.png" docs/screenshots/
done
scripts/web-demo.sh --screenshots "$shots/web" >/dev/null
cp "$shots/web/01-console.png" docs/screenshots/web-console.png
echo "docs/screenshots/ regenerated"
