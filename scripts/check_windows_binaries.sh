#!/usr/bin/env bash
# Checks what the Windows cross-build leaves in its files that no compiler
# checks: the launcher's file properties and string table carry the resource
# block's defaults. Reads the PE files with binutils; needs no Windows.
set -euo pipefail
cd "$(dirname "$0")/.."
out=build/windows/src
failures=0

fail() {
    echo "$1" >&2
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

[ "$failures" -eq 0 ] || exit 1
echo "windows binaries: resources match the resource block"
