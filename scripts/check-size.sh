#!/usr/bin/env bash
# Fails when a C++ file of the repository has more than 400 lines: a file that long does more
# than one job, and its parts belong in files of their own.
set -euo pipefail
cd "$(dirname "$0")/.."
limit=400
failed=0
while IFS= read -r -d '' file; do
    lines="$(wc -l <"$file")"
    if [ "$lines" -gt "$limit" ]; then
        echo "$file: $lines lines, more than $limit"
        failed=1
    fi
done < <(git ls-files -z '*.cpp' '*.h')
[ "$failed" -eq 0 ] || exit 1
echo "Size: every C++ file has at most $limit lines."
