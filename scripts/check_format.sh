#!/usr/bin/env bash
# Fails when a tracked C++ file differs from what .clang-format makes of it,
# and names each such file.
set -euo pipefail
cd "$(dirname "$0")/.."
mapfile -t files < <(git ls-files '*.cpp' '*.h')
unformatted=0
for file in "${files[@]}"; do
    if ! clang-format --style=file "$file" | cmp -s - "$file"; then
        echo "$file: not formatted (clang-format -i $file)"
        unformatted=$((unformatted + 1))
    fi
done
if [ "$unformatted" -ne 0 ]; then
    echo "$unformatted file(s) differ from .clang-format" >&2
    exit 1
fi
echo "format: ${#files[@]} files follow .clang-format"
