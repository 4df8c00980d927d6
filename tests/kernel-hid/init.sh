#!/bin/busybox sh
# /init of the guest: load the modules by hand in the order run.sh wrote (no udevd here), start
# the responder, run the tests, print the result marker that run.sh reads from the serial
# console, power off.
/bin/busybox --install -s /bin
export PATH=/bin
mount -t proc proc /proc
mount -t sysfs sysfs /sys
mount -t devtmpfs devtmpfs /dev

result() {
    echo "KERNEL-HID-RESULT: $*"
    poweroff -f
}

while read -r module; do
    args=""
    # Two virtual buses, one for each unit.
    [ "$module" = dummy_hcd ] && args="num=2"
    insmod "/lib/modules/$module.ko" $args || result "ERROR insmod $module"
done </lib/modules/order

# Without rules: it only passes the kernel's events on, which libusb waits for.
if [ -x /bin/systemd-udevd ]; then
    mkdir -p /run/udev
    /bin/systemd-udevd --daemon || result "ERROR udevd did not start"
fi

responder_args=""
if [ "$UPS_TRANSPORT" = usb ]; then
    mount -t configfs configfs /sys/kernel/config || result "ERROR no configfs"
    responder_args="--usb"
fi
[ "$UPS_FAULT" = short-replies ] && responder_args="$responder_args --short-replies"
/bin/kernel-hid-responder $responder_args &

# The responder listens only once the unit's hidraw node is there.
tries=0
until [ -S /run/ups-responder.sock ]; do
    tries=$((tries + 1))
    [ $tries -gt 300 ] && result "ERROR the responder did not come up"
    kill -0 $! 2>/dev/null || result "ERROR the responder ended"
    usleep 50000
done

# The Windows command line runs in the host's files: read-only through 9p, under an overlay in
# memory so that Wine can write its prefix, with this guest's devices; the program is copied
# into memory there. One Wine server serves all its runs.
if [ -n "$UPS_WINE_PREFIX" ]; then
    mkdir -p /host /overlay /merged
    mount -t 9p -o trans=virtio,version=9p2000.L,ro,msize=512000 host /host ||
        result "ERROR no 9p share of the host"
    mount -t tmpfs tmpfs /overlay && mkdir /overlay/upper /overlay/work
    mount -t overlay overlay -o lowerdir=/host,upperdir=/overlay/upper,workdir=/overlay/work \
        /merged || result "ERROR no overlay on the host's files"
    mount --bind /dev /merged/dev
    mount -t proc proc /merged/proc
    mount -t sysfs sysfs /merged/sys
    cp /bin/upsconfig-cli.exe /merged/tmp/ || result "ERROR the program did not copy"
    chroot /merged /usr/bin/env WINEPREFIX="$UPS_WINE_PREFIX" wineserver -p ||
        result "ERROR no Wine server"
fi

# Each test program on its own; a failure in one does not keep the other from running.
failed=""
for tests in /bin/kernel-hid-tests /bin/kernel-hid-tests-libusb; do
    [ -x "$tests" ] || continue
    echo "kernel-hid: $tests"
    "$tests" --gtest_color=no --gtest_filter="${UPS_TESTS:-*}" || failed="$failed ${tests##*/}"
done
if [ -z "$failed" ]; then
    result PASS
else
    result "FAIL ($failed )"
fi
