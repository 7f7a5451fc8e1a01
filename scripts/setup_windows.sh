#!/usr/bin/env bash
# Prepares the Windows cross-build: the mingw-w64 compiler and zlib from
# Debian's packages, minizip built for Windows from Debian's own minizip
# source package (with its Win32 file functions), and GoogleTest and GoogleMock
# built for Windows from Debian's googletest source, into build/windows-deps.
# The tests run under Wine (64-bit only).
# The source is fetched with a private apt configuration; the system's apt
# sources and lists are left alone, and no source is kept in the repository.
set -euo pipefail
cd "$(dirname "$0")/.."
deps=$(pwd)/build/windows-deps

packages=(g++-mingw-w64-x86-64-posix libz-mingw-w64-dev dpkg-dev libboost-dev rapidjson-dev
    googletest libcpp-httplib-dev wine wine64 xvfb)
bash scripts/install_packages.sh "${packages[@]}"

# Header-only libraries are the same for every target.
mkdir -p "$deps/include"
ln -sfn /usr/include/boost "$deps/include/boost"
ln -sfn /usr/include/rapidjson "$deps/include/rapidjson"

# GoogleTest's own CMake build, cross-compiled with the same toolchain file.
if [ ! -f "$deps/lib/libgmock.a" ]; then
    gtest_build=$(mktemp -d)
    cmake -S /usr/src/googletest -B "$gtest_build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_TOOLCHAIN_FILE="$(pwd)/cmake/mingw-w64-x86_64.cmake" \
        -DCMAKE_INSTALL_PREFIX="$deps" -Dgtest_disable_pthreads=OFF >/dev/null
    cmake --build "$gtest_build" -j 2 >/dev/null
    cmake --install "$gtest_build" >/dev/null
    rm -rf "$gtest_build"
fi

[ -f "$deps/lib/libminizip.a" ] && [ -f "$deps/include/httplib.h" ] && exit 0

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
# Debian ships cpp-httplib compiled for Linux with a declarations-only header;
# its source package has the whole header, which builds with winsock.
for source in minizip cpp-httplib; do
    (cd "$work" && apt-get "${apt_private[@]}" source --download-only "$source" >/dev/null 2>&1 &&
        dpkg-source -x "$source"_*.dsc "$source" >/dev/null 2>&1)
done
cp "$work/cpp-httplib/httplib.h" "$deps/include/httplib.h"

mkdir -p "$deps/include/minizip" "$deps/lib"
for unit in ioapi unzip zip iowin32; do
    x86_64-w64-mingw32-gcc-posix -O2 -w -c "$work/minizip/$unit.c" -o "$work/$unit.o"
done
x86_64-w64-mingw32-ar rcs "$deps/lib/libminizip.a" "$work"/{ioapi,unzip,zip,iowin32}.o
cp "$work"/minizip/{ioapi,unzip,zip,iowin32,crypt}.h "$deps/include/minizip/"
echo "Windows build dependencies are in $deps"
