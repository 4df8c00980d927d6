#!/bin/sh
# Real upsconfig-cli processes at once on one simulated unit's state file: each command sees the
# changes of those before it, none fails for another, and no temporary file is left behind.
# Arguments: upsconfig-cli, a scratch folder.
set -eu
cli=$1 scratch=$2
fail() {
    echo "FAIL: $*" >&2
    exit 1
}
rm -rf "$scratch"
mkdir -p "$scratch"
export XDG_DATA_HOME="$scratch/data"
state="$scratch/state"
sim() { "$cli" --simulate --sim-state "$state" "$@"; }

# Two writes half a second apart: both changes end on the unit (the second waits its turn).
sim status >/dev/null
sim set bAlarmCtrl=0 --yes >"$scratch/first" 2>&1 &
first=$!
sleep 0.5
sim set bEodMode=1 --yes >"$scratch/second" 2>&1 || fail "the second set: $(cat "$scratch/second")"
wait "$first" || fail "the first set: $(cat "$scratch/first")"
sim show >"$scratch/show"
grep -q "^bAlarmCtrl = 0 " "$scratch/show" || fail "the first change is gone"
grep -q "^bEodMode = 1 " "$scratch/show" || fail "the second change is gone"

# 30 sequences side by side, 90 commands.
i=0
while [ "$i" -lt 30 ]; do
    (sim sim online && sim sim standby && sim status >/dev/null ||
        echo "sequence $i" >>"$scratch/failed") 2>>"$scratch/errors" &
    i=$((i + 1))
done
wait
[ ! -s "$scratch/failed" ] || fail "$(wc -l <"$scratch/failed") sequences failed: $(head -3 "$scratch/errors")"
sim status | grep -q "standby" || fail "the state does not load after the run"
leftover=$(find "$scratch" -maxdepth 1 -name '.upsconfig-*')
[ -z "$leftover" ] || fail "temporary files left: $leftover"
echo "ok"
