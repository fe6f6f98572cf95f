# Sourced by the scripts that run the Windows build under Wine (Debian's wine64, command `wine`): a prefix of its
# own under build/, set up at the first start (about 12 s); no debug chatter, no Mono or Gecko installer, no
# window driver. The shell's folder should be the repository's top.
export WINEPREFIX="${WINEPREFIX:-$PWD/build/wine-prefix}"
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=;winemenubuilder.exe=d}"
export DISPLAY=
WINE=wine
if [ ! -f "$WINEPREFIX/system.reg" ]; then
    mkdir -p "$WINEPREFIX"
    "$WINE" wineboot --init >/dev/null 2>&1 || true
fi
