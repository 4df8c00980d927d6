#!/usr/bin/env bash
# Runs the web console page in a real browser (browser_test.py) on simulated units.
# Usage: run.sh PATH-TO-upsconfig-cli COCKPIT-DATA-DIR
# Exit status: 0 passed, 1 failed, 77 skipped (the reason is printed; with
# UPSCONFIG_COCKPIT_REQUIRED=1 a skip is a failure, as in CI).
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
# Debian's Selenium is in the system Python's packages, not in one found first on the PATH.
python=/usr/bin/python3
missing="$(cd "$here" && "$python" -c 'import webconsole; print(" ".join(webconsole.missing_tools()))')"
if [ -n "$missing" ]; then
    echo "SKIPPED: missing $missing (scripts/install-deps.sh --cockpit installs them)"
    [ "${UPSCONFIG_COCKPIT_REQUIRED:-0}" = 1 ] && exit 1
    exit 77
fi
exec "$python" "$here/browser_test.py" "$1" "$2"
