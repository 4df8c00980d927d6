#!/usr/bin/env bash
# Renders the hand-drawn upsconfig.svg into the PNG sizes that are installed into the hicolor
# icon theme. Run it after changing the SVG and commit the PNGs (needs librsvg2-bin).
set -euo pipefail
cd "$(dirname "$0")"
for size in 16 24 32 48 64 128 256; do
    rsvg-convert -w "$size" -h "$size" upsconfig.svg -o "upsconfig-$size.png"
done
