#!/usr/bin/env bash
# Sets up what is missing, builds the command line and the web console page, and serves the page
# through Cockpit on a simulated unit, at an address on 127.0.0.1 that it prints (a local
# session without login: for a look, never for use). With no display, or with
# --screenshots DIR, it saves the page's views as PNG files into DIR (screenshots/web without
# one) and stops.
set -euo pipefail
cd "$(dirname "$0")/.."
shots=""
if [ "${1:-}" = --screenshots ]; then
    shots="${2:?--screenshots needs a folder}"
elif [ $# -gt 0 ]; then
    echo "Usage: scripts/web-demo.sh [--screenshots DIR]" >&2
    exit 2
elif [ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
    shots="${PWD}/screenshots/web"
fi
scripts/install-deps.sh --cockpit
cmake -S . -B build -DUPSCONFIG_BUILD_COCKPIT=ON
cmake --build build -j2 --target upsconfig-cli upsconfig-cockpit
# Debian's Selenium is in the system Python's packages.
exec /usr/bin/python3 contrib/cockpit/tests/webconsole.py build/src/cli/upsconfig-cli \
    build/contrib/cockpit/share ${shots:+--screenshots "$shots"}
