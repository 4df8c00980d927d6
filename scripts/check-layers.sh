#!/usr/bin/env bash
# Fails when a folder of src/ includes from a layer above its own, or a core folder includes Qt.
# The layers, lowest first; a folder may include from its own layer and those below it. The
# first six make up upsconfig_core; they and the command line above them are free of Qt.
set -euo pipefail
cd "$(dirname "$0")/.."
layers=(platform unit device settingsfile session sim cli resources framework pages app demo)
qtFree=7

rank() {
    local i
    for i in "${!layers[@]}"; do
        [ "${layers[$i]}" = "$1" ] && echo "$i" && return
    done
    echo -1
}

failed=0
for dir in src/*/; do
    folder="$(basename "$dir")"
    own="$(rank "$folder")"
    if [ "$own" -lt 0 ]; then
        echo "src/$folder: a folder of no layer (add it to scripts/check-layers.sh)"
        failed=1
        continue
    fi
    while IFS=: read -r file line include; do
        target="$(sed -E 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*"([^/"]+)\/.*/\1/' <<<"$include")"
        [ "$target" = "$include" ] && continue  # an include of the same folder, or no folder
        other="$(rank "$target")"
        if [ "$other" -lt 0 ] || [ "$other" -gt "$own" ]; then
            echo "$file:$line: $folder includes $target, a layer above it"
            failed=1
        fi
    done < <(grep -rnE '^[[:space:]]*#[[:space:]]*include[[:space:]]*"' "$dir" || true)
    if [ "$own" -lt "$qtFree" ]; then
        while IFS= read -r hit; do
            echo "$hit: a Qt-free layer includes Qt"
            failed=1
        done < <(grep -rnE '^[[:space:]]*#[[:space:]]*include[[:space:]]*<(Q|qt)' "$dir" || true)
    fi
done
[ "$failed" -eq 0 ] && echo "Layers: every include points down."
exit "$failed"
