#!/usr/bin/env bash
# Fails when a source file of the repository has more than 400 lines: a file that long does more
# than one job, and its parts belong in files of their own. Sources are the C++, JavaScript,
# Python, shell and CMake files, and the scripts without an extension that start with "#!".
set -euo pipefail
cd "$(dirname "$0")/.."
limit=400
failed=0
sources() {
    git ls-files -z '*.cpp' '*.h' '*.js' '*.mjs' '*.py' '*.sh' '*.cmake' '*CMakeLists.txt'
    git ls-files -z | while IFS= read -r -d '' file; do
        case "${file##*/}" in *.*) continue ;; esac
        [ -f "$file" ] && [ "$(head -c 2 "$file")" = '#!' ] && printf '%s\0' "$file"
    done
}
while IFS= read -r -d '' file; do
    lines="$(wc -l <"$file")"
    if [ "$lines" -gt "$limit" ]; then
        echo "$file: $lines lines, more than $limit"
        failed=1
    fi
done < <(sources)
[ "$failed" -eq 0 ] || exit 1
echo "Size: every source file has at most $limit lines."
