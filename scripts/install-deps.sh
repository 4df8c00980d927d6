#!/usr/bin/env bash
# Installs the Debian packages that building and testing need, and any named as arguments;
# does nothing when all are there. --kernel-hid adds what the kernel HID device test needs,
# --windows the cross compiler, GoogleTest's sources, Wine and msitools for the Windows build, its
# installer and its tests.
set -euo pipefail
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
mapfile -t need < <(missing "${packages[@]}")
mapfile -t need_lean < <(missing "${lean[@]}")
[ ${#need[@]} -eq 0 ] && [ ${#need_lean[@]} -eq 0 ] && exit 0
sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
echo "Installing: ${need[*]} ${need_lean[*]}"
$sudo apt-get update -q
install=($sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -q)
[ ${#need[@]} -eq 0 ] || "${install[@]}" "${need[@]}"
[ ${#need_lean[@]} -eq 0 ] || "${install[@]}" --no-install-recommends "${need_lean[@]}"
