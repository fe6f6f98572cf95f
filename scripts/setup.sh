#!/usr/bin/env bash
# Installs every Debian package that building and testing Velmora needs.
# Quiet and quick when everything is already there; uses sudo when not root.
set -euo pipefail

packages=(
    g++ cmake ninja-build pkg-config git
    libtsan2
    libpcre2-dev
    libminizip-dev zlib1g-dev libisal-dev
    libgtest-dev libgmock-dev libbenchmark-dev libhowardhinnant-date-dev
    qt6-base-dev qt6-base-dev-tools libgl-dev qt6-translations-l10n
    fonts-noto-cjk
    clang-format-16 clang-tidy-14
    clang-14 libclang-rt-14-dev
    dpkg-dev
    g++-mingw-w64-x86-64-posix wine64 wine zip unzip
    nasm autoconf automake libtool make
    xvfb openbox xdotool wmctrl
)

# Benchmarks compare against a pandas script: `setup.sh --bench` installs it as well.
if [ "${1:-}" = "--bench" ]; then
    packages+=(python3-pandas)
fi

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$p")
    fi
done
if [ ${#missing[@]} -gt 0 ]; then
    sudo=""
    if [ "$(id -u)" -ne 0 ]; then
        sudo="sudo"
    fi
    echo "Installing: ${missing[*]}"
    export DEBIAN_FRONTEND=noninteractive
    $sudo apt-get update -qq
    $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# PCRE2, GoogleTest, zlib, minizip, ISA-L and Qt for the Windows cross build, from Debian's source packages (Qt's
# first build takes a quarter of an hour); `setup.sh --no-windows` leaves them out, for the Linux programs alone.
if [ "${1:-}" != "--no-windows" ]; then
    bash "$(dirname "$0")/build-windows-deps.sh"
fi
