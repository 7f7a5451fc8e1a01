#!/usr/bin/env bash
# Checks what the Windows cross-build leaves in its files that no compiler
# checks: the launcher's file properties and string table carry the resource
# block's defaults, and the shared launcher DLL exports its entry points alone. Reads the PE files with binutils; needs no Windows.
set -euo pipefail
cd "$(dirname "$0")/.."
out=build/windows/src
failures=0

fail() {
    echo "$*" >&2
    failures=$((failures + 1))
}

default_of() {
    sed -n "s/^ *\"$1=\(.*\)\\\\n\"[);]*\$/\1/p" resources/resource_block.cpp
}

resources=$(x86_64-w64-mingw32-windres -J coff -O rc -i "$out/ZorbitStudioLauncherBeta.exe")
version=$(default_of FileVersion)
for expected in "VALUE \"FileVersion\", \"$version\"" "VALUE \"ProductVersion\", \"$version\"" \
    "FILEVERSION $version" "104, \"$(default_of 104)\"" "105, \"$(default_of 105)\""; do
    grep -qF "$expected" <<<"$resources" || fail "launcher resources lack: $expected"
done

exports=$(x86_64-w64-mingw32-objdump -p "$out/libZorbitSharedLauncher.dll" |
    sed -n '/^\[Ordinal\/Name Pointer\] Table/,/^$/s/^\s*\[ *[0-9]*\] //p')
grep -qx ZorbitSharedLauncher_StartGame <<<"$exports" ||
    fail "the shared launcher DLL does not export ZorbitSharedLauncher_StartGame"
others=$(grep -Ev '^(_ZN(14SharedLauncher|13simple_logger)|ZorbitSharedLauncher_)' <<<"$exports" || true)
[ -z "$others" ] || fail "the shared launcher DLL exports $(wc -l <<<"$others") other symbols, as" \
    "$(head -3 <<<"$others" | paste -sd ' ')"

[ "$failures" -eq 0 ] || exit 1
echo "windows binaries: resources match the resource block, the DLL exports $(wc -l <<<"$exports") entry points"
