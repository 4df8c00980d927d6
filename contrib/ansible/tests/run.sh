#!/usr/bin/env bash
# Runs the collection through ansible-playbook against upsconfig-cli on simulated units: the
# documentation of both modules, one unit driven step by step (unit.yml), and three hosts
# (fleet.yml) in check mode and then for real, where the check must foretell the run.
# Usage: run.sh PATH-TO-upsconfig-cli
# Exit status: 0 passed, 1 failed, 77 skipped (the reason is printed; with
# UPSCONFIG_ANSIBLE_REQUIRED=1 a skip is a failure, as in CI).
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
cli="$(realpath "$1")"

if ! command -v ansible-playbook >/dev/null; then
    echo "SKIPPED: ansible-playbook missing (package ansible-core)"
    [ "${UPSCONFIG_ANSIBLE_REQUIRED:-0}" = 1 ] && exit 1
    exit 77
fi

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
# The collection as Ansible finds collections: ansible_collections/NAMESPACE/NAME.
mkdir -p "$work/collections/ansible_collections/upsconfig"
ln -s "$here/.." "$work/collections/ansible_collections/upsconfig/ups"
touch "$work/ansible.cfg"
# Nothing from the user's own configuration, home or installed collections; the program's
# backups go to the scratch folder too.
export ANSIBLE_CONFIG="$work/ansible.cfg" ANSIBLE_HOME="$work/home" \
    ANSIBLE_COLLECTIONS_PATH="$work/collections" ANSIBLE_COLLECTIONS_SCAN_SYS_PATH=false \
    ANSIBLE_LOCAL_TEMP="$work/tmp" ANSIBLE_REMOTE_TEMP="$work/tmp" \
    ANSIBLE_PYTHON_INTERPRETER=auto_silent ANSIBLE_NOCOLOR=1 ANSIBLE_RETRY_FILES_ENABLED=0 \
    XDG_DATA_HOME="$work/data"
vars=(-e "cli=$cli" -e "work=$work")

failed=0
check() {  # NAME COMMAND...: runs the command, reports it as passed or failed
    local name="$1"
    shift
    if "$@"; then
        echo "PASSED: $name"
    else
        echo "FAILED: $name"
        failed=$((failed + 1))
    fi
}

doc_clean() {  # MODULE: ansible-doc renders it and says nothing on stderr
    ansible-doc "$1" >"$work/doc.txt" 2>"$work/doc.err" && ! [ -s "$work/doc.err" ] &&
        grep -qiF "> $1 " "$work/doc.txt" || { cat "$work/doc.err"; return 1; }
}

held() {  # HOST KEY: the raw value the host's simulated unit holds
    "$cli" --simulate --sim-state "$work/$1.state" show | sed -n "s/^$2 = \([0-9]*\) .*/\1/p"
}

fleet() {  # the same outcome in check mode and for real; only the real run writes
    # ups-c is online, and the controller's file changes the voltage, which needs standby.
    "$cli" --simulate=3 --sim-state "$work/ups-c.state" sim online
    sed 's#<bAlarmCtrl>0</bAlarmCtrl>#&\r\n      <bOutputLevel>2</bOutputLevel>#' \
        "$here/rack.kvr" >"$work/rack.kvr"
    local mode out
    for mode in check real; do
        out="$work/fleet-$mode.txt"
        ansible-playbook -i "$here/fleet.ini" "$here/fleet.yml" "${vars[@]}" \
            -e rack="$work/rack.kvr" --diff $([ "$mode" = check ] && echo --check) \
            >"$out" 2>&1 && return 1
        cat "$out"
        grep -q '^changed: \[ups-a\]' "$out" && grep -q '^changed: \[ups-b\]' "$out" &&
            grep -q '^fatal: \[ups-c\]: FAILED! => .*"rc": 6' "$out" &&
            [ "$(grep -c '^+bLowBattTime = 7 (' "$out")" = 2 ] &&
            [ "$(grep -c '^\[WARNING\]: ups-b: not applied' "$out")" = 1 ] &&
            [ "$(grep -c '^\[WARNING\]: ' "$out")" = 1 ] || return 1
        [ "$(held ups-a bLowBattTime)" = "$([ "$mode" = check ] && echo 2 || echo 7)" ] ||
            return 1
    done
    [ "$(held ups-c bOutputLevel)" = 3 ]
}

check "ansible-doc upsconfig" doc_clean upsconfig.ups.upsconfig
check "ansible-doc upsconfig_info" doc_clean upsconfig.ups.upsconfig_info
check "one unit" ansible-playbook -i localhost, -c local "$here/unit.yml" "${vars[@]}"
check "fleet: check mode foretells the run" fleet
echo "$((4 - failed)) passed, $failed failed"
[ "$failed" = 0 ]
