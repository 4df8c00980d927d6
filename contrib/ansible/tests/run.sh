#!/usr/bin/env bash
# Runs the collection through ansible-playbook against upsconfig-cli on simulated units: the
# documentation of both modules, one unit driven step by step (unit.yml), and two hosts with
# different models previewed in check mode (fleet.yml), whose per-host diffs must show.
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

fleet_diffs() {  # each host's check-mode run shows its diff and writes nothing
    ansible-playbook -i "$here/fleet.ini" "$here/fleet.yml" "${vars[@]}" --check --diff \
        >"$work/fleet.txt" || { cat "$work/fleet.txt"; return 1; }
    cat "$work/fleet.txt"
    local host
    for host in ups-a ups-b; do
        grep -q "^changed: \[$host\]" "$work/fleet.txt" || return 1
    done
    [ "$(grep -c '^+bLowBattTime = 7 (' "$work/fleet.txt")" = 2 ]
}

check "ansible-doc upsconfig" doc_clean upsconfig.ups.upsconfig
check "ansible-doc upsconfig_info" doc_clean upsconfig.ups.upsconfig_info
check "one unit" ansible-playbook -i localhost, -c local "$here/unit.yml" "${vars[@]}"
check "fleet in check mode" fleet_diffs
echo "$((4 - failed)) passed, $failed failed"
[ "$failed" = 0 ]
