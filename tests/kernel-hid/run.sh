#!/usr/bin/env bash
# Tests the real device path against a kernel HID device without hardware: fetches a stock
# Debian kernel through apt (cached), packs the responder and the test program with their
# libraries into an initramfs, boots it under QEMU and reads the result from the serial log.
# By default the unit is a uhid device (the cloud kernel: small, HID core only); with --usb it
# is a USB device on dummy_hcd (the generic kernel, which has USB), and --libusb-tests adds the
# test program built on hidapi's libusb variant. With --wine-cli the uhid unit is reached by the
# Windows command line through Wine (the generic kernel, which has 9p): the guest sees the
# host's files read-only through 9p under an overlay in memory, the Wine prefix made on the host
# included, and runs Wine in them.
# Exit status: 0 passed, 1 failed, 77 skipped (the reason is printed; with
# UPSCONFIG_KERNEL_HID_REQUIRED=1 a skip is a failure, as in CI).
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"

usage() {
    echo "usage: $0 --work DIR --responder BIN --tests BIN" \
         "[--usb [--libusb-tests BIN | --libusb-tests-missing]]" \
         "[--app BIN] [--cli BIN] [--wine-cli EXE --wine-prefix DIR]" \
         "[--short-replies] [--expect-failure TEST]" >&2
    exit 2
}
work="" responder="" tests="" libusb_tests="" usb="" app="" cli="" fault="" expect_failure=""
wine_cli="" wine_prefix=""
while [ $# -gt 0 ]; do
    case "$1" in
        --work) work="$2"; shift 2 ;;
        --responder) responder="$2"; shift 2 ;;
        --tests) tests="$2"; shift 2 ;;
        --libusb-tests) libusb_tests="$2"; shift 2 ;;
        --libusb-tests-missing) libusb_tests=missing; shift ;;
        --usb) usb=1; shift ;;
        --app) app="$2"; shift 2 ;;
        --cli) cli="$2"; shift 2 ;;
        --wine-cli) wine_cli="$2"; shift 2 ;;
        --wine-prefix) wine_prefix="$2"; shift 2 ;;
        --short-replies) fault="short-replies"; shift ;;
        --expect-failure) expect_failure="$2"; shift 2 ;;
        *) usage ;;
    esac
done
[ -n "$work" ] && [ -x "$responder" ] && [ -x "$tests" ] || usage
if [ "$libusb_tests" = missing ]; then
    # The build found no hidapi-libusb or libusb-1.0 for it.
    note="the test program on hidapi's libusb variant was not built (packages libhidapi-dev,"
    note+=" libusb-1.0-0-dev)"
    [ "${UPSCONFIG_KERNEL_HID_REQUIRED:-0}" = 1 ] && { echo "FAILED: $note"; exit 1; }
    echo "NOTE: $note; the USB case runs without it"
    libusb_tests=""
fi
[ -z "$libusb_tests" ] || { [ -n "$usb" ] && [ -x "$libusb_tests" ]; } || usage
[ -z "$wine_cli" ] || { [ -z "$usb" ] && [ -f "$wine_cli" ] && [ -d "$wine_prefix" ]; } || usage

# The kernel package, and the modules in the order the guest loads them (paths below
# lib/modules/VERSION/kernel, without the .ko). The generic kernel's cache holds the modules of
# both of its cases, so that neither fetches it again for the other.
usb_modules=(drivers/usb/common/usb-common drivers/usb/core/usbcore
             drivers/usb/gadget/udc/udc-core drivers/usb/gadget/udc/dummy_hcd drivers/hid/hid
             drivers/hid/usbhid/usbhid drivers/hid/hid-generic fs/configfs/configfs
             drivers/usb/gadget/libcomposite drivers/usb/gadget/function/usb_f_fs)
wine_modules=(drivers/virtio/virtio_ring drivers/virtio/virtio drivers/virtio/virtio_pci_modern_dev
              drivers/virtio/virtio_pci_legacy_dev drivers/virtio/virtio_pci fs/netfs/netfs
              fs/fscache/fscache net/9p/9pnet net/9p/9pnet_virtio fs/9p/9p fs/overlayfs/overlay
              drivers/hid/hid drivers/hid/uhid drivers/hid/hid-generic)
if [ -n "$usb" ] || [ -n "$wine_cli" ]; then
    metapackage=linux-image-amd64
    modules=("${usb_modules[@]}")
    [ -n "$wine_cli" ] && modules=("${wine_modules[@]}")
    mapfile -t cached_modules < <(printf '%s\n' "${usb_modules[@]}" "${wine_modules[@]}" | sort -u)
else
    metapackage=linux-image-cloud-amd64
    modules=(drivers/hid/hid drivers/hid/uhid drivers/hid/hid-generic)
    cached_modules=("${modules[@]}")
fi

skip() {
    echo "SKIPPED: $*"
    [ "${UPSCONFIG_KERNEL_HID_REQUIRED:-0}" = 1 ] && exit 1
    exit 77
}

[ "$(uname -m)" = x86_64 ] || skip "the guest runs x86-64 programs; this host is $(uname -m)"
command -v qemu-system-x86_64 >/dev/null || skip "qemu-system-x86_64 missing (package qemu-system-x86)"
busybox="$(command -v busybox || true)"
[ -n "$busybox" ] || skip "busybox missing (package busybox-static)"
command -v lz4 >/dev/null || skip "lz4 missing (package lz4)"

cache="${XDG_CACHE_HOME:-${HOME:-/tmp}/.cache}/upsconfig/kernel-hid"
mkdir -p "$cache" "$work"

# The bzImage's compressed payload, unpacked: the kernel boots straight from the ELF (it has a
# PVH entry) and skips seconds of decompression in emulation on every boot.
unpack_vmlinux() {
    local image="$1" out="$2" sects offset length start magic tool
    sects=$(od -An -t u1 -j $((0x1f1)) -N 1 "$image" | tr -d ' ')
    [ "$sects" -eq 0 ] && sects=4
    offset=$(od -An -t u4 -j $((0x248)) -N 4 "$image" | tr -d ' ')
    length=$(od -An -t u4 -j $((0x24c)) -N 4 "$image" | tr -d ' ')
    start=$(((sects + 1) * 512 + offset))
    magic=$(od -An -t x1 -j "$start" -N 4 "$image" | tr -d ' ')
    case "$magic" in
        02214c18) tool="lz4 -dc" ;;
        fd377a58) tool="xz -dc" ;;
        1f8b08*) tool="gzip -dc" ;;
        28b52ffd) tool="zstd -dc" ;;
        *) return 1 ;;
    esac
    command -v "${tool%% *}" >/dev/null || return 1
    tail -c +$((start + 1)) "$image" | head -c "$length" | $tool >"$out" 2>/dev/null || true
    [ "$(od -An -t x1 -N 4 "$out" | tr -d ' ')" = 7f454c46 ]
}

# Which kernels of a cached image package: "cloud-amd64" for linux-image-6.1.0-57-cloud-amd64.
flavour() { sed -E 's/^linux-image-[0-9.]+-[0-9]+-//' <<<"$1"; }

# Whether a cached kernel has everything its cases load.
complete() {
    local module
    [ -f "$1/ready" ] || return 1
    for module in "${cached_modules[@]}"; do
        [ -f "$1/$(basename "$module").ko" ] || return 1
    done
}

# The image package that the metapackage points at now (it changes with updates).
fetch_kernel() {
    local package dir tmp old module patterns=()
    package=$(apt-cache depends "$metapackage" 2>/dev/null |
              awk '/Depends: linux-image-/ { print $2; exit }')
    if [ -n "$package" ] && ! complete "$cache/$package"; then
        tmp=$(mktemp -d "$cache/fetch.XXXXXX")
        local sandbox=()
        [ "$(id -u)" -eq 0 ] && sandbox=(-o APT::Sandbox::User=root)
        mkdir -p "$tmp/x" "$tmp/$package"
        # Only the kernel and the modules (plain .ko files in Debian 12, .ko.xz later).
        for module in "${cached_modules[@]}"; do patterns+=("./lib/modules/*/kernel/$module.ko*"); done
        if (cd "$tmp" && apt-get download -q "${sandbox[@]}" "$package" >/dev/null) &&
            dpkg-deb --fsys-tarfile "$tmp"/*.deb |
                tar -x -C "$tmp/x" --wildcards './boot/vmlinuz-*' "${patterns[@]}"; then
            for module in "${cached_modules[@]}"; do
                for file in "$tmp"/x/lib/modules/*/kernel/"$module".ko*; do
                    case "$file" in
                        *.xz) xz -dc "$file" ;;
                        *.zst) zstd -dc "$file" ;;
                        *) cat "$file" ;;
                    esac >"$tmp/$package/$(basename "$module").ko"
                done
            done
            unpack_vmlinux "$tmp"/x/boot/vmlinuz-* "$tmp/$package/vmlinux" ||
                { rm -f "$tmp/$package/vmlinux"; cp "$tmp"/x/boot/vmlinuz-* "$tmp/$package/bzImage"; }
            touch "$tmp/$package/ready"
            # Only the newest kernel of each flavour is kept.
            for old in "$cache"/linux-image-*; do
                [ -d "$old" ] && [ "$(flavour "${old##*/}")" = "$(flavour "$package")" ] &&
                    rm -rf "$old"
            done
            mv "$tmp/$package" "$cache/"
        fi
        rm -rf "$tmp"
    fi
    if [ -z "$package" ] || ! complete "$cache/$package"; then
        # Offline or without package lists: a kernel of the flavour fetched before still serves.
        local want
        want=$([ -n "$usb" ] && echo amd64 || echo cloud-amd64)
        package=""
        for dir in "$cache"/linux-image-*; do
            complete "$dir" && [ "$(flavour "${dir##*/}")" = "$want" ] && package="${dir##*/}"
        done
        [ -n "$package" ] || return 1
    fi
    echo "$cache/$package"
}

# Two runs at once (ctest -j) share one download.
exec 9>"$cache/lock"
flock 9
kernel_dir=$(fetch_kernel) ||
    skip "no kernel: fetching the image package of $metapackage failed" \
         "(apt-get update may help) and none is cached in $cache"
flock -u 9
for module in "${modules[@]}"; do
    [ -f "$kernel_dir/$(basename "$module").ko" ] ||
        skip "the cached kernel $kernel_dir has no module $(basename "$module")"
done
kernel="$kernel_dir/vmlinux"
[ -f "$kernel" ] || kernel="$kernel_dir/bzImage"

# The initramfs: busybox as the shell, the two programs and every library they load.
root="$work/root"
rm -rf "$root"
mkdir -p "$root"/{bin,dev,proc,sys,run,tmp,lib/modules}
cp "$busybox" "$root/bin/busybox"
cp "$responder" "$root/bin/kernel-hid-responder"
cp "$tests" "$root/bin/kernel-hid-tests"
for module in "${modules[@]}"; do
    cp "$kernel_dir/$(basename "$module").ko" "$root/lib/modules/"
    basename "$module"
done >"$root/lib/modules/order"
cp "$here/init.sh" "$root/init"
chmod +x "$root/init"
programs=("$busybox" "$responder" "$tests")
if [ -n "$libusb_tests" ]; then
    cp "$libusb_tests" "$root/bin/kernel-hid-tests-libusb"
    programs+=("$libusb_tests")
fi
if [ -n "$usb" ]; then
    # For hidapi's libusb variant: libusb learns of devices that come and go from udevd, as on
    # a real system.
    udevadm=$(command -v udevadm || true)
    [ -n "$udevadm" ] || skip "udevadm missing (package udev)"
    cp "$udevadm" "$root/bin/systemd-udevd"
    programs+=("$udevadm")
    # hidapi's libusb variant converts the USB strings with iconv: without glibc's UTF-16
    # module every string comes back empty.
    for gconv in /usr/lib/*/gconv/UTF-16.so /usr/lib/*/gconv/gconv-modules*; do
        [ -e "$gconv" ] && cp -rL --parents "$gconv" "$root/"
    done
fi
if [ -n "$app" ]; then
    # The tool itself, offscreen: Qt finds its platform plugin and fontconfig its fonts at the
    # paths they have here.
    cp "$app" "$root/bin/upsconfig"
    plugin=$(find /usr/lib/*/qt6/plugins/platforms -name libqoffscreen.so -print -quit 2>/dev/null)
    [ -n "$plugin" ] && cp --parents "$plugin" "$root/"
    programs+=("$app" $plugin)
    for shared in /etc/fonts /usr/share/fonts/truetype/liberation; do
        [ -e "$shared" ] && cp -rL --parents "$shared" "$root/"
    done
fi
if [ -n "$cli" ]; then
    cp "$cli" "$root/bin/upsconfig-cli"
    programs+=("$cli")
fi
if [ -n "$wine_cli" ]; then
    # Wine and its prefix come from the host through 9p; the program itself is copied to memory
    # in the guest (Wine's programs die run from a 9p share).
    command -v wine >/dev/null || skip "wine missing (package wine)"
    cp "$wine_cli" "$root/bin/upsconfig-cli.exe"
fi
for program in "${programs[@]}"; do
    ldd "$program" 2>/dev/null | grep -o '/[^ ]*' || true
done | sort -u | while read -r library; do
    cp -L --parents "$library" "$root/"
done
# Debug information is no use in the guest; lz4 unpacks faster in emulation than gzip.
strip --strip-debug "$root"/bin/kernel-hid-* "$root"/bin/upsconfig "$root"/bin/upsconfig-cli \
    2>/dev/null || true
(cd "$root" && find . | "$busybox" cpio -o -H newc 2>/dev/null) | lz4 -l -1 -q >"$work/initramfs.lz4"

accel=(-accel tcg,thread=multi -cpu max)
if grep -qwE 'vmx|svm' /proc/cpuinfo && [ -w /dev/kvm ]; then
    accel=(-accel kvm -cpu host)
fi
memory=512
append="console=ttyS0 panic=-1 quiet loglevel=4 cryptomgr.notests"
[ -n "$usb" ] && append+=" UPS_TRANSPORT=usb"
share=()
if [ -n "$wine_cli" ]; then
    # Under emulation SMAP faults the return of Wine's system calls (iretq to user mode), and Wine
    # with its background programs wants more memory than the tests alone.
    [ "${accel[1]}" = kvm ] || accel[3]=max,-smap
    memory=1024
    share=(-virtfs "local,path=/,mount_tag=host,security_model=none,readonly=on,multidevs=remap")
    wine_prefix="$(cd "$wine_prefix" && pwd)"
    append+=" UPS_WINE_PREFIX=$wine_prefix UPS_TESTS=KernelHid.TheWindowsCommandLine*"
fi
[ -n "$fault" ] && append+=" UPS_FAULT=$fault"
[ -n "$expect_failure" ] && append+=" UPS_TESTS=$expect_failure"

log="$work/serial.log"
: >"$log"
started=$(date +%s%N)
timeout 240 qemu-system-x86_64 "${accel[@]}" -smp 1 -m "$memory" -machine pc -nodefaults \
    -no-user-config -display none -no-reboot -monitor none -serial "file:$log" "${share[@]}" \
    -kernel "$kernel" -initrd "$work/initramfs.lz4" -append "$append" || true
elapsed_ms=$((($(date +%s%N) - started) / 1000000))
# The firmware writes escape codes before the kernel's first line.
tr -d '\033\r' <"$log" | sed 's/\[[0-9;?]*[a-zA-Z]//g' >"$work/console.log"
cat "$work/console.log"
echo "kernel $(basename "$kernel_dir"), initramfs $(du -k "$work/initramfs.lz4" | cut -f1) KiB," \
     "QEMU ran ${elapsed_ms} ms"

marker=$(grep -a -o 'KERNEL-HID-RESULT: .*' "$work/console.log" | tail -n 1 || true)
# The Windows case passes only when its test ran: a skip in the guest is no pass.
if [ -n "$wine_cli" ] && [ "$marker" = "KERNEL-HID-RESULT: PASS" ] &&
    ! grep -aq '^\[       OK \] KernelHid.TheWindowsCommandLine' "$work/console.log"; then
    marker="the Windows command line's test did not run"
fi
if [ -z "$expect_failure" ]; then
    [ "$marker" = "KERNEL-HID-RESULT: PASS" ] && exit 0
    echo "kernel-hid: no passing result from the guest (${marker:-no marker})"
    exit 1
fi
# The control passes only when the guest ran the checks and they caught the fault.
if [[ "$marker" == "KERNEL-HID-RESULT: FAIL"* ]] && grep -aqF "[  FAILED  ] $expect_failure" "$work/console.log"; then
    echo "kernel-hid control: $expect_failure failed as it must"
    exit 0
fi
echo "kernel-hid control: expected $expect_failure to fail, got ${marker:-no marker}"
exit 1
