#!/usr/bin/env bash
# Installs the Debian packages that building and testing need, and any named as arguments;
# does nothing when all are there. --kernel-hid adds what the kernel HID device test needs,
# --windows the cross compiler, GoogleTest's sources, Wine and msitools for the Windows build, its
# installer and its tests, --cockpit what the web console page's browser test and
# scripts/web-demo.sh need. Last it puts the web console page's pinned npm packages into the
# cache the build takes them from.
set -euo pipefail
cd "$(dirname "$0")/.."
packages=(build-essential cmake pkg-config qt6-base-dev qt6-base-dev-tools libhidapi-dev
          libusb-1.0-0-dev libgtest-dev libgmock-dev nlohmann-json3-dev fonts-liberation ccache)
# Installed without their recommends. ansible-core's would add the whole community
# collection set; the playbook test needs none of it.
lean=(ansible-core)
for arg in "$@"; do
    if [ "$arg" = --kernel-hid ]; then
        # QEMU's recommends would triple the download and are not needed to boot a kernel.
        # udev: its daemon runs in the guest of the USB case, for libusb.
        lean+=(qemu-system-x86 busybox-static lz4 udev)
    elif [ "$arg" = --cockpit ]; then
        # The web server and bridge that serve the page, the shell around it, and a browser
        # driven from Debian's Python; the recommends (printing, notifications) are not needed.
        lean+=(cockpit-ws cockpit-bridge cockpit-system chromium chromium-driver python3-selenium)
    elif [ "$arg" = --windows ]; then
        # Wine's recommends bring sound, video and 32-bit support that console programs need not.
        lean+=(g++-mingw-w64-x86-64-posix googletest wine64 wine wixl msitools)
    else
        packages+=("$arg")
    fi
done
missing() {
    for p in "$@"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || echo "$p"
    done
}
# The page's stylesheet is built with npm; a machine with Node.js of its own has it already.
command -v npm >/dev/null || packages+=(npm)
mapfile -t need < <(missing "${packages[@]}")
mapfile -t need_lean < <(missing "${lean[@]}")
if [ ${#need[@]} -gt 0 ] || [ ${#need_lean[@]} -gt 0 ]; then
    sudo=""
    [ "$(id -u)" -ne 0 ] && sudo="sudo"
    echo "Installing: ${need[*]} ${need_lean[*]}"
    $sudo apt-get update -q
    install=($sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -q)
    [ ${#need[@]} -eq 0 ] || "${install[@]}" "${need[@]}"
    [ ${#need_lean[@]} -eq 0 ] || "${install[@]}" --no-install-recommends "${need_lean[@]}"
fi

# The packages the lock file pins, fetched once into the cache (the build itself runs offline).
lock=contrib/cockpit/package-lock.json
cache="${UPSCONFIG_NPM_CACHE:-$HOME/.cache/upsconfig/npm}"
stamp="$cache/filled-$(sha256sum "$lock" | cut -c1-16)"
if [ ! -e "$stamp" ]; then
    echo "Fetching the web console page's pinned npm packages into $cache"
    tmp="$(mktemp -d)"
    cp contrib/cockpit/package.json "$lock" "$tmp"
    (cd "$tmp" && npm ci --cache "$cache" --ignore-scripts --no-audit --no-fund --loglevel=error)
    rm -rf "$tmp"
    touch "$stamp"
fi
