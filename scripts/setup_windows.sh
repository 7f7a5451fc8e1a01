#!/usr/bin/env bash
# Prepares the Windows cross-build and its tests: the mingw-w64 compiler, zlib and Wine from
# Debian's packages, and minizip built for Windows from Debian's own minizip
# source package (with its Win32 file functions), into build/windows-deps.
# The source is fetched with a private apt configuration; the system's apt
# sources and lists are left alone, and no source is kept in the repository.
set -euo pipefail
cd "$(dirname "$0")/.."
deps=$(pwd)/build/windows-deps

# wine runs the Windows programs in the tests (64-bit only).
packages=(g++-mingw-w64-x86-64-posix libz-mingw-w64-dev dpkg-dev libboost-dev rapidjson-dev
    wine wine64)
bash scripts/install_packages.sh "${packages[@]}"

[ -f "$deps/lib/libminizip.a" ] && exit 0

work=$(mktemp -d)
chmod 755 "$work"  # apt fetches as its own user
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/lists/partial"
cat >"$work/sources.list" <<SOURCES
deb-src http://deb.debian.org/debian bookworm main
deb-src http://deb.debian.org/debian-security bookworm-security main
SOURCES
apt_private=(-q -o Dir::Etc::SourceList="$work/sources.list" -o Dir::Etc::SourceParts=/dev/null
    -o Dir::State::Lists="$work/lists")
apt-get "${apt_private[@]}" update >/dev/null
(cd "$work" && apt-get "${apt_private[@]}" source --download-only minizip >/dev/null &&
    dpkg-source -x minizip_*.dsc minizip >/dev/null)

mkdir -p "$deps/include/minizip" "$deps/lib"
for unit in ioapi unzip zip iowin32; do
    x86_64-w64-mingw32-gcc-posix -O2 -w -c "$work/minizip/$unit.c" -o "$work/$unit.o"
done
x86_64-w64-mingw32-ar rcs "$deps/lib/libminizip.a" "$work"/{ioapi,unzip,zip,iowin32}.o
cp "$work"/minizip/{ioapi,unzip,zip,iowin32,crypt}.h "$deps/include/minizip/"
# Header-only libraries are the same for every target.
ln -sfn /usr/include/boost "$deps/include/boost"
ln -sfn /usr/include/rapidjson "$deps/include/rapidjson"
echo "Windows build dependencies are in $deps"
