#!/usr/bin/env bash
# Fails when a Markdown file of the repository links a file that the repository does not hold:
# a picture or page present only in someone's working copy shows up broken everywhere else.
# Web addresses and anchors are not checked.
set -euo pipefail
cd "$(dirname "$0")/.."

tracked="$(mktemp)"
trap 'rm -f "$tracked"' EXIT
git ls-files >"$tracked"

failed=0
while IFS= read -r page; do
    folder="$(dirname "$page")"
    while IFS= read -r target; do
        target="${target%%#*}"
        target="${target%% *}"  # an optional "title"
        case "$target" in
            '' | *://* | mailto:*) continue ;;
        esac
        path="$(realpath -m --relative-to=. "$folder/$target")"
        # A file, or a folder holding tracked files.
        if ! grep -qxF "$path" "$tracked" &&
            ! awk -v p="$path/" 'index($0, p) == 1 { found = 1; exit } END { exit !found }' \
                "$tracked"; then
            echo "$page: links $target, which the repository does not hold"
            failed=1
        fi
    done < <(grep -oE '\]\([^)]+\)' "$page" | sed -E 's/^\]\((.*)\)$/\1/')
done < <(grep -E '\.md$' "$tracked")
[ "$failed" -eq 0 ] && echo "Links: every file the Markdown pages link is in the repository."
exit "$failed"
