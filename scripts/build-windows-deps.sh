#!/usr/bin/env bash
# Builds PCRE2 and GoogleTest for Windows (MinGW-w64) from Debian's own source packages into
# build/windows-deps/prefix, which the `windows` preset's toolchain file reads, and then Qt (build-windows-qt.sh,
# into a cache outside the checkout). Nothing is fetched from elsewhere
# and nothing is kept in the repository: GoogleTest's source comes with the `googletest` package, PCRE2's from
# `apt-get source pcre2` (a deb-src entry for the system's own Debian archive is added when none is there).
# Quick when the libraries are already built. Uses sudo when not root.
set -euo pipefail
cd "$(dirname "$0")/.."

deps="$PWD/build/windows-deps"
prefix="$deps/prefix"
toolchain="$PWD/cmake/toolchains/mingw-w64-x86_64.cmake"
stamp="$prefix/.built"

sudo=""
if [ "$(id -u)" -ne 0 ]; then
    sudo="sudo"
fi

# Debian's source packages (PCRE2's here, Qt's in build-windows-qt.sh) come from the system's own archive.
if ! apt-get source --print-uris pcre2 >/dev/null 2>&1; then
    echo "Adding deb-src entries for the system's Debian archive"
    list=/etc/apt/sources.list.d/velmora-deb-src.sources
    # The deb822 entries the system already has, as source entries.
    sed -n 's/^Types: *deb$/Types: deb-src/p; /^Types:/!p' /etc/apt/sources.list.d/debian.sources | $sudo tee "$list" >/dev/null
    $sudo apt-get update -qq
fi
pcre2_version="$(dpkg-query -W -f='${Version}' libpcre2-dev 2>/dev/null || true)"
gtest_version="$(dpkg-query -W -f='${Version}' googletest)"
wanted="pcre2 $pcre2_version, googletest $gtest_version"
if [ -f "$stamp" ] && [ "$(cat "$stamp")" = "$wanted" ]; then
    exec bash scripts/build-windows-qt.sh
fi

mkdir -p "$deps/src"
rm -rf "$prefix" "$deps/build"

# PCRE2: the source of the version the build machine has installed, from the same archive.
rm -rf "$deps/src/pcre2"
mkdir -p "$deps/src/pcre2"
# The installed version first; the archive may hold another one's source only (a security update whose source
# the mirror lacks), and then the newest it has.
fetched=""
for version in "$pcre2_version" $(apt-cache showsrc pcre2 | sed -n 's/^Version: //p' | sort -r -V); do
    if (cd "$deps/src/pcre2" && apt-get source -qq "pcre2=$version" >/dev/null 2>&1); then
        fetched="$version"
        break
    fi
    rm -rf "${deps:?}/src/pcre2/"*
done
if [ -z "$fetched" ]; then
    echo "build-windows-deps: no source of pcre2 in the configured Debian archives" >&2
    exit 1
fi
pcre2_src="$(find "$deps/src/pcre2" -mindepth 1 -maxdepth 1 -type d -name 'pcre2-*' | head -n1)"

cmake -S "$pcre2_src" -B "$deps/build/pcre2" -G Ninja -Wno-dev \
    -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DVELMORA_WINDOWS_DEPS="$prefix" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" \
    -DBUILD_SHARED_LIBS=OFF -DPCRE2_BUILD_PCRE2_8=ON -DPCRE2_BUILD_PCRE2_16=OFF -DPCRE2_BUILD_PCRE2_32=OFF \
    -DPCRE2_SUPPORT_JIT=ON -DPCRE2_SUPPORT_UNICODE=ON -DPCRE2_BUILD_PCRE2GREP=OFF -DPCRE2_BUILD_TESTS=OFF \
    >/dev/null
cmake --build "$deps/build/pcre2" >/dev/null
cmake --install "$deps/build/pcre2" >/dev/null

# GoogleTest and GoogleMock from the source the `googletest` package installs.
cmake -S /usr/src/googletest -B "$deps/build/googletest" -G Ninja -Wno-dev \
    -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DVELMORA_WINDOWS_DEPS="$prefix" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" -Dgtest_disable_pthreads=OFF >/dev/null
cmake --build "$deps/build/googletest" >/dev/null
cmake --install "$deps/build/googletest" >/dev/null

echo "$wanted" >"$stamp"
echo "PCRE2 $fetched and GoogleTest $gtest_version for Windows: $prefix"

exec bash scripts/build-windows-qt.sh
