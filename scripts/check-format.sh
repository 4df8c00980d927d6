#!/usr/bin/env bash
# Fails when a C++ file of the repository differs from what clang-format makes of it (the
# repository's .clang-format, clang-format 14 as Debian 12 has it).
set -euo pipefail
cd "$(dirname "$0")/.."
version="$(clang-format --version)"
case "$version" in
    *" 14."*) ;;
    *) echo "warning: clang-format 14 formats this repository; found: $version" >&2 ;;
esac
git ls-files -z '*.cpp' '*.h' | xargs -0 clang-format --dry-run --Werror
echo "Format: every C++ file is as clang-format makes it."
