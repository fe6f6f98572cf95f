#!/usr/bin/env bash
# Makes build/velmora-<version>-windows-x64.zip from the Windows build (cmake --preset windows): velmora.exe and
# velmora-convert.exe, every DLL they and Qt's plugins need that Windows does not bring itself (Qt's; no MinGW
# runtime, which is linked in), the plugins (platforms/, styles/), qt.conf and Qt's Japanese translations, the
# bundled sample and a short README in Japanese and English. Usage: make-windows-zip.sh [BUILD_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build/windows}"
bin="$build/bin"
for program in velmora.exe velmora-convert.exe platforms/qwindows.dll styles/qwindowsvistastyle.dll; do
    [ -f "$bin/$program" ] || { echo "make-windows-zip: $bin/$program not built (cmake --build --preset windows)" >&2; exit 1; }
done
version="$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")"
name="velmora-${version}-windows-x64"
stage="build/zip/$name"
rm -rf "build/zip" "build/$name.zip" "build/velmora-convert-${version}-windows-x64.zip"
mkdir -p "$stage/platforms" "$stage/styles" "$stage/translations"
# Without their symbols: a quarter of the size, and nothing a user's machine would use.
for program in velmora.exe velmora-convert.exe platforms/qwindows.dll styles/qwindowsvistastyle.dll; do
    x86_64-w64-mingw32-strip -o "$stage/$program" "$bin/$program"
done
cp "$bin/qt.conf" "$stage/"
cp "$bin/translations/qtbase_ja.qm" "$stage/translations/"

# The DLLs they import, and theirs in turn, that do not come with Windows: Qt's, and none of MinGW-w64's with
# the static runtime the toolchains link today (a change of link options shows here instead of on a user's
# machine).
search=("$bin" /usr/x86_64-w64-mingw32/lib /usr/x86_64-w64-mingw32/bin /usr/lib/gcc/x86_64-w64-mingw32/*-posix
        build/windows-deps/prefix/bin)
pending=("$bin/velmora.exe" "$bin/velmora-convert.exe" "$bin/platforms/qwindows.dll" "$bin/styles/qwindowsvistastyle.dll")
while [ ${#pending[@]} -gt 0 ]; do
    file="${pending[0]}"
    pending=("${pending[@]:1}")
    for dll in $(x86_64-w64-mingw32-objdump -p "$file" | sed -n 's/^\s*DLL Name: //p'); do
        [ -f "$stage/$dll" ] && continue
        for folder in "${search[@]}"; do
            if [ -f "$folder/$dll" ]; then
                x86_64-w64-mingw32-strip -o "$stage/$dll" "$folder/$dll"
                pending+=("$folder/$dll")
                break
            fi
        done
    done
done

# Text files as Windows' Notepad reads them everywhere: UTF-8 with a byte-order mark, CR LF line ends.
toWindowsText() { printf '\xef\xbb\xbf'; sed 's/$/\r/' "$1"; }
toWindowsText packaging/windows/README.txt >"$stage/README.txt"
cp samples/EURUSD_1min_2009.txt "$stage/"

(cd build/zip && zip -q -r -X "../$name.zip" "$name")
echo "build/$name.zip:"
unzip -l "build/$name.zip" | sed -n '4,$p' | sed '$d' | sed '$d'
