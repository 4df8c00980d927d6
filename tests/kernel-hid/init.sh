#!/bin/busybox sh
# /init of the guest: load the HID modules by hand (no udevd here), start the responder, run
# the tests, print the result marker that run.sh reads from the serial console, power off.
/bin/busybox --install -s /bin
export PATH=/bin
mount -t proc proc /proc
mount -t sysfs sysfs /sys
mount -t devtmpfs devtmpfs /dev

result() {
    echo "KERNEL-HID-RESULT: $*"
    poweroff -f
}

for module in hid uhid hid-generic; do
    insmod "/lib/modules/$module.ko" || result "ERROR insmod $module"
done

responder_args=""
[ "$UPS_FAULT" = short-replies ] && responder_args="--short-replies"
/bin/kernel-hid-responder $responder_args &

# The responder listens only once the unit's hidraw node is there.
tries=0
until [ -S /run/ups-responder.sock ]; do
    tries=$((tries + 1))
    [ $tries -gt 200 ] && result "ERROR the responder did not come up"
    kill -0 $! 2>/dev/null || result "ERROR the responder ended"
    usleep 50000
done

if /bin/kernel-hid-tests --gtest_color=no --gtest_filter="${UPS_TESTS:-*}"; then
    result PASS
else
    result "FAIL (exit $?)"
fi
