#!/usr/bin/env bash
# Makes build/velmora-convert-<version>-windows-x64.zip from the Windows build (cmake --preset windows):
# velmora-convert.exe, every DLL it needs that Windows does not bring itself, the bundled sample and a short
# README in Japanese and English. Usage: make-windows-zip.sh [BUILD_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build/windows}"
exe="$build/bin/velmora-convert.exe"
[ -f "$exe" ] || { echo "make-windows-zip: $exe not built (cmake --build --preset windows)" >&2; exit 1; }
version="$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")"
name="velmora-convert-${version}-windows-x64"
stage="build/zip/$name"
rm -rf "build/zip" "build/$name.zip"
mkdir -p "$stage"
# Without its symbols: a quarter of the size, and nothing a user's machine would use.
x86_64-w64-mingw32-strip -o "$stage/velmora-convert.exe" "$exe"

# The DLLs it imports, and theirs in turn, that come from MinGW-w64 rather than Windows (none with the static
# runtime the toolchain links today; a change of link options shows here instead of on a user's machine).
search=(/usr/x86_64-w64-mingw32/lib /usr/x86_64-w64-mingw32/bin /usr/lib/gcc/x86_64-w64-mingw32/*-posix
        "$build/bin" build/windows-deps/prefix/bin)
pending=("$exe")
while [ ${#pending[@]} -gt 0 ]; do
    file="${pending[0]}"
    pending=("${pending[@]:1}")
    for dll in $(x86_64-w64-mingw32-objdump -p "$file" | sed -n 's/^\s*DLL Name: //p'); do
        [ -f "$stage/$dll" ] && continue
        for folder in "${search[@]}"; do
            if [ -f "$folder/$dll" ]; then
                cp "$folder/$dll" "$stage/"
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
