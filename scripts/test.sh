#!/usr/bin/env bash
# Sets everything up, checks that includes follow the layer order and that the
# code follows .clang-format, then runs the whole test suite: the release build, then the
# address and undefined-behaviour sanitizer build, the Windows cross-build of the
# launcher and its unit tests (run under Wine), then the deployment tests under
# the thread sanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
echo "== layers and format"
bash scripts/check_layers.sh
bash scripts/check_format.sh
for preset in release asan; do
    echo "== $preset build"
    bash scripts/build.sh "$preset"
    echo "== $preset tests"
    ctest --preset "$preset" -j "$(nproc)" --timeout 300 -LE 'e2e|wine'
    ctest --preset "$preset" -j "$(nproc)" --timeout 300 -L e2e
done

echo "== windows build (the launcher, the shared launcher and the unit tests, cross-compiled)"
bash scripts/setup_windows.sh
cmake --preset windows >/dev/null
# The build lists the tests under Wine, which starts the run's wine server and
# X server; they end with the run, whatever its outcome.
trap 'bash scripts/wine_run.sh build/windows/wine --stop' EXIT
cmake --build --preset windows -j "$(nproc)"
bash scripts/check_windows_binaries.sh
echo "== windows tests (under Wine)"
ctest --preset windows -j2 --timeout 300
bash scripts/wine_run.sh build/windows/wine --stop
trap - EXIT
echo "== windows launcher under wine (end to end)"
ctest --preset release -j "$(nproc)" --timeout 600 -L wine

echo "== tsan build (deployment tests)"
cmake --preset tsan >/dev/null
cmake --build --preset tsan -j "$(nproc)" --target deployment_tests
echo "== tsan tests"
# The thread sanitizer's shadow memory wants a fixed address layout.
no_aslr=()
if setarch "$(uname -m)" -R true 2>/dev/null; then no_aslr=(setarch "$(uname -m)" -R); fi
"${no_aslr[@]}" ctest --preset tsan -j "$(nproc)" --timeout 300 -L deployment
