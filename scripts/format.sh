#!/bin/sh
# Formats every C++ file of the repository in place; with --check, only reports.
set -eu
cd "$(dirname "$0")/.."
files=$(git ls-files '*.cpp' '*.h')
[ -n "$files" ] || exit 0
if [ "${1:-}" = "--check" ]; then
    # shellcheck disable=SC2086
    clang-format-14 --dry-run --Werror $files
else
    # shellcheck disable=SC2086
    clang-format-14 -i $files
fi
