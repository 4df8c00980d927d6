#!/bin/sh
# The window programs from the outside. "options": --help and --version answer without a display
# and an unknown option is a usage error (exit 2). "screenshots": the demo writes every picture.
# Arguments: the check, upsconfig, upsconfig-demo, the unit ids (vvvv:pppp), a scratch folder.
set -eu
check=$1 tool=$2 demo=$3 ids=$4 scratch=$5
fail() {
    echo "FAIL: $*" >&2
    exit 1
}
mkdir -p "$scratch"

if [ "$check" = options ]; then
    for program in "$tool" "$demo"; do
        name=$(basename "$program")
        # No display and no platform that could give one: anything reaching for it would abort.
        bare() { env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=none "$@"; }
        bare "$program" --help >"$scratch/help" || fail "$name --help exits non-zero"
        grep -q "^Usage: $name " "$scratch/help" || fail "$name --help prints no usage"
        bare "$program" --version >"$scratch/version" || fail "$name --version exits non-zero"
        grep -qx "$name [0-9.]* (units $ids)" "$scratch/version" ||
            fail "$name --version: $(cat "$scratch/version")"
        status=0
        QT_QPA_PLATFORM=offscreen "$program" --no-such-option 2>"$scratch/error" || status=$?
        [ "$status" -eq 2 ] || fail "$name --no-such-option exits $status, not 2"
        grep -q "no-such-option" "$scratch/error" || fail "$name does not name the wrong option"
    done
else
    rm -rf "$scratch/shots"
    QT_QPA_PLATFORM=offscreen "$demo" --screenshots "$scratch/shots" >/dev/null
    for picture in 01-ups 07-dry-contact communication-error about simulated-unit \
        turn-off-question save-question changes-not-applied unit-choice \
        communication-error-diagnosis; do
        [ -s "$scratch/shots/$picture.png" ] || fail "no $picture.png"
    done
    # One picture a tab, each of the main window's size (the PNG header's width and height) and
    # not blank: a blank window compresses to a few hundred bytes.
    size=$(od -An -tu1 -j16 -N8 "$scratch/shots/01-ups.png")
    for tab in "$scratch"/shots/[0-9][0-9]-*.png; do
        [ "$(od -An -tu1 -j16 -N8 "$tab")" = "$size" ] || fail "$(basename "$tab") has another size"
        [ "$(wc -c <"$tab")" -gt 8000 ] || fail "$(basename "$tab") looks blank"
    done
fi
