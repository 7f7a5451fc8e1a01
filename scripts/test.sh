#!/usr/bin/env bash
# Sets everything up and runs the whole test suite: the release build, then the
# address and undefined-behaviour sanitizer build.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
for preset in release asan; do
    echo "== $preset build"
    bash scripts/build.sh "$preset"
    echo "== $preset tests"
    ctest --preset "$preset" -j "$(nproc)" --timeout 300 -LE e2e
    ctest --preset "$preset" -j "$(nproc)" --timeout 300 -L e2e
done
