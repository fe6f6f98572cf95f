#!/usr/bin/env bash
# Builds PCRE2, GoogleTest, zlib, minizip and ISA-L for Windows (MinGW-w64) from Debian's own source packages into
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
zlib_version="$(dpkg-query -W -f='${Version}' zlib1g-dev 2>/dev/null || true)"
minizip_version="$(dpkg-query -W -f='${Version}' libminizip-dev 2>/dev/null || true)"
isal_version="$(dpkg-query -W -f='${Version}' libisal-dev 2>/dev/null || true)"
wanted="pcre2 $pcre2_version, googletest $gtest_version, zlib $zlib_version, minizip $minizip_version"
wanted+=", isa-l $isal_version"
if [ -f "$stamp" ] && [ "$(cat "$stamp")" = "$wanted" ]; then
    exec bash scripts/build-windows-qt.sh
fi

mkdir -p "$deps/src"
rm -rf "$prefix" "$deps/build"

# The source of the version of a Debian source package the build machine has installed, into $deps/src/<package>;
# sets `fetched` to the version taken. The installed version first; the archive may hold another one's source only
# (a security update whose source the mirror lacks), and then the newest it has.
fetch_source() {
    local package="$1" installed="$2"
    rm -rf "${deps:?}/src/$package"
    mkdir -p "$deps/src/$package"
    fetched=""
    for version in "$installed" $(apt-cache showsrc "$package" | sed -n 's/^Version: //p' | sort -r -V); do
        if (cd "$deps/src/$package" && apt-get source -qq "$package=$version" >/dev/null 2>&1); then
            fetched="$version"
            return
        fi
        rm -rf "${deps:?}/src/$package/"*
    done
    echo "build-windows-deps: no source of $package in the configured Debian archives" >&2
    exit 1
}

# PCRE2: the source of the version the build machine has installed, from the same archive.
fetch_source pcre2 "$pcre2_version"
pcre2_fetched="$fetched"
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

# zlib and minizip (zipped and gzipped sources): static libraries from Debian's sources, compiled file by file,
# since neither source package carries a build for MinGW.
cc=x86_64-w64-mingw32-gcc-posix
ar=x86_64-w64-mingw32-gcc-ar-posix
mkdir -p "$prefix/include/minizip" "$prefix/lib/pkgconfig"

fetch_source zlib "$zlib_version"
zlib_fetched="$fetched"
zlib_src="$(find "$deps/src/zlib" -mindepth 1 -maxdepth 1 -type d -name 'zlib-*' | head -n1)"
mkdir -p "$deps/build/zlib"
for c in adler32 compress crc32 deflate gzclose gzlib gzread gzwrite infback inffast inflate inftrees trees uncompr zutil; do
    $cc -O2 -c "$zlib_src/$c.c" -o "$deps/build/zlib/$c.o"
done
$ar rcs "$prefix/lib/libz.a" "$deps/build/zlib/"*.o
cp "$zlib_src/zlib.h" "$zlib_src/zconf.h" "$prefix/include/"
zlib_upstream="$(sed -n 's/^#define ZLIB_VERSION "\(.*\)"/\1/p' "$zlib_src/zlib.h")"
cat >"$prefix/lib/pkgconfig/zlib.pc" <<PC
prefix=$prefix
libdir=\${prefix}/lib
includedir=\${prefix}/include

Name: zlib
Description: zlib compression library
Version: $zlib_upstream
Libs: -L\${libdir} -lz
Cflags: -I\${includedir}
PC

fetch_source minizip "$minizip_version"
minizip_fetched="$fetched"
minizip_src="$(find "$deps/src/minizip" -mindepth 1 -maxdepth 1 -type d -name 'minizip-*' | head -n1)"
mkdir -p "$deps/build/minizip"
for c in ioapi unzip zip; do
    $cc -O2 -w -I"$prefix/include" -c "$minizip_src/$c.c" -o "$deps/build/minizip/$c.o"
done
$ar rcs "$prefix/lib/libminizip.a" "$deps/build/minizip/"*.o
cp "$minizip_src/ioapi.h" "$minizip_src/unzip.h" "$minizip_src/zip.h" "$prefix/include/minizip/"
cat >"$prefix/lib/pkgconfig/minizip.pc" <<PC
prefix=$prefix
libdir=\${prefix}/lib
includedir=\${prefix}/include/minizip

Name: minizip
Description: Minizip zip file manipulation library
Requires: zlib
Version: ${minizip_fetched%%-*}
Libs: -L\${libdir} -lminizip
Cflags: -I\${includedir}
PC

# ISA-L (the fast inflate of gzipped and zipped sources): Debian's source package `libisal`, with its own autotools
# build and its assembly (nasm, win64 objects), as a static library. Its configure insists on yasm for MinGW; nasm
# assembles the same sources for Windows (upstream's nmake build uses it), so that check is taken out.
fetch_source libisal "$isal_version"
isal_fetched="$fetched"
isal_src="$(find "$deps/src/libisal" -mindepth 1 -maxdepth 1 -type d -name 'libisal-*' | head -n1)"
sed -i '/# Fix for nasm missing windows features/,/^  fi$/d' "$isal_src/configure.ac"
mkdir -p "$deps/build/isa-l"
isal_log="$deps/build/isa-l.log"
if ! (
    cd "$isal_src" && ./autogen.sh &&
        cd "$deps/build/isa-l" &&
        "$isal_src/configure" --host=x86_64-w64-mingw32 CC="$cc" AR="$ar" RANLIB=x86_64-w64-mingw32-gcc-ranlib-posix \
            CFLAGS=-O2 --prefix="$prefix" --enable-static --disable-shared &&
        make -j"$(nproc)" libisal.la &&
        make install-libLTLIBRARIES install-pkgincludeHEADERS install-nobase_includeHEADERS install-pkgconfigDATA
) >"$isal_log" 2>&1; then
    tail -n 30 "$isal_log" >&2
    echo "build-windows-deps: ISA-L's build failed (the whole log: $isal_log)" >&2
    exit 1
fi
rm -f "$prefix/lib/libisal.la"

echo "$wanted" >"$stamp"
echo "PCRE2 $pcre2_fetched, GoogleTest $gtest_version, zlib $zlib_fetched, minizip $minizip_fetched" \
    "and ISA-L $isal_fetched for Windows: $prefix"

exec bash scripts/build-windows-qt.sh
