#!/bin/sh
# Fails when a C++ file of the tree is not laid out as .clang-format says.
# Run tools/check-format.sh --fix to reformat them.
set -eu
cd "$(dirname "$0")/.."
files=$(git ls-files '*.cpp' '*.h' 2>/dev/null || find . -name '*.cpp' -o -name '*.h' | grep -v '^./build')
if [ "${1:-}" = "--fix" ]; then
    echo "$files" | xargs clang-format -i
    exit 0
fi
echo "$files" | xargs clang-format --dry-run --Werror
