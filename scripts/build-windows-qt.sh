#!/usr/bin/env bash
# Builds Qt for Windows (MinGW-w64) from Debian's own source of qt6-base, with the host tools (moc, rcc, uic)
# Debian installs, into a cache outside the checkout, so that a fresh clone on the same machine (and CI's)
# reuses it: ${VELMORA_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/velmora}/qt-windows/<key>, the key naming the Qt
# source version, the configure flags and the cross compiler. build/windows-deps/qt links to the prefix the
# `windows` preset reads. Does nothing but the link when that build is there. Called by build-windows-deps.sh,
# which has set up the deb-src entries; uses sudo when not root.
set -euo pipefail
cd "$(dirname "$0")/.."

toolchain="$PWD/cmake/toolchains/mingw-w64-x86_64.cmake"
link="$PWD/build/windows-deps/qt"

qt_version="$(dpkg-query -W -f='${Version}' qt6-base-dev)"
compiler="$(x86_64-w64-mingw32-g++-posix -dumpfullversion) $(dpkg-query -W -f='${Version}' mingw-w64-x86-64-dev)"

# Only what the windows and their tests use: Core, Gui, Widgets, Test, the windows and offscreen platforms and
# the windowsvista style. Qt's own copies of zlib, PCRE2, FreeType, HarfBuzz and libpng go in, so no library of
# the build machine can leak into a Windows DLL.
flags=(
    -DCMAKE_BUILD_TYPE=Release -DBUILD_SHARED_LIBS=ON
    -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake
    -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF -DFEATURE_pkg_config=OFF
    -DFEATURE_network=OFF -DFEATURE_sql=OFF -DFEATURE_dbus=OFF -DFEATURE_printsupport=OFF
    -DFEATURE_concurrent=OFF -DFEATURE_xml=OFF
    -DINPUT_opengl=no -DFEATURE_vulkan=OFF -DFEATURE_jpeg=OFF -DFEATURE_zstd=OFF -DFEATURE_glib=OFF
    -DFEATURE_icu=OFF
    -DFEATURE_system_zlib=OFF -DFEATURE_system_pcre2=OFF -DFEATURE_system_freetype=OFF
    -DFEATURE_system_harfbuzz=OFF -DFEATURE_system_png=OFF -DFEATURE_system_doubleconversion=OFF
    # Debian's source drops the wintab headers the tablet code includes.
    -DFEATURE_tabletevent=OFF
    # Without Direct2D the DirectWrite 3 font database does not link into qwindows.dll.
    -DFEATURE_direct2d=OFF -DFEATURE_directwrite3=OFF
    # The GCC runtime inside every DLL and plugin: nothing of MinGW needs to be shipped beside them.
    "-DCMAKE_SHARED_LINKER_FLAGS=-static"
    "-DCMAKE_MODULE_LINKER_FLAGS=-static"
)

key="$(printf '%s\n' "$qt_version" "$compiler" "${flags[@]}" | sha256sum | cut -c1-16)"
cache="${VELMORA_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/velmora}/qt-windows/$key"
prefix="$cache/prefix"
stamp="$prefix/.built"

point_link() {
    mkdir -p "$(dirname "$link")"
    ln -sfn "$prefix" "$link"
}

if [ -f "$stamp" ]; then
    point_link
    exit 0
fi

echo "Building Qt $qt_version for Windows into $prefix (about 12 minutes on two cores)"
started=$SECONDS
work="$cache/work"
rm -rf "$work" "$prefix"
mkdir -p "$work/src"
# The installed version's source first; then the newest the archive holds (a security update whose source the
# mirror lacks), which moc and rcc of the same upstream version serve as well.
fetched=""
for version in "$qt_version" $(apt-cache showsrc qt6-base | sed -n 's/^Version: //p' | sort -r -V); do
    if (cd "$work/src" && apt-get source -qq "qt6-base=$version" >/dev/null 2>&1); then
        fetched="$version"
        break
    fi
    rm -rf "${work:?}/src/"*
done
if [ -z "$fetched" ] || [ "${fetched%%+*}" != "${qt_version%%+*}" ]; then
    echo "build-windows-qt: no source of qt6-base ${qt_version%%+*} in the configured Debian archives" >&2
    exit 1
fi
src="$(find "$work/src" -mindepth 1 -maxdepth 1 -type d -name 'qt6-base-*' | head -n1)"

cmake -S "$src" -B "$work/build" -G Ninja -Wno-dev \
    -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DVELMORA_WINDOWS_DEPS="$PWD/build/windows-deps/prefix" \
    -DCMAKE_INSTALL_PREFIX="$prefix" "${flags[@]}" >"$work/configure.log" 2>&1 || {
    tail -n 40 "$work/configure.log" >&2
    exit 1
}
cmake --build "$work/build" >"$work/build.log" 2>&1 || {
    grep -m 20 -B 2 -A 8 'error' "$work/build.log" >&2 || tail -n 40 "$work/build.log" >&2
    exit 1
}
cmake --install "$work/build" >/dev/null
rm -rf "$work"
printf '%s\n' "qt6-base $qt_version" "$compiler" "${flags[@]}" >"$stamp"
point_link
echo "Qt $qt_version for Windows: $prefix ($((SECONDS - started)) s)"
