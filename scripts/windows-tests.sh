#!/usr/bin/env bash
# Runs every suite of the Windows build (cmake --preset windows) under Wine, each as one process: the engine,
# input, platform, regex and CLI suites, then the window suites on Qt's offscreen platform. Tests that cannot
# hold on Windows say so with a visible skip.
# Then scripts/wine-check.sh runs velmora-convert.exe itself. Usage: windows-tests.sh [BUILD_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build/windows}"
source scripts/wine-env.sh

# The suites find their data through the variable; Wine reads a rooted path on the drive of the current
# folder, Z:, which is the Unix file system.
export VELMORA_TEST_DATA="$PWD/tests/data"
failed=()
log="$(mktemp)"
for suite in "$build"/bin/velmora_*_tests.exe; do
    name="$(basename "$suite" .exe)"
    echo "== wine: $name"
    status=0
    "$WINE" "$suite" --gtest_brief=1 >"$log" 2>&1 || status=$?
    grep -v '^$' "$log" || true
    if [ "$status" -ne 0 ]; then
        failed+=("$name")
    fi
done

# The window suites, as on Linux on the offscreen platform. Wine hands a program the variables named WINE<name>
# as <name>; QtTest writes to a console only, unless told to log to stderr; the offscreen platform finds its
# fonts in one folder only: Debian's Noto CJK.
# VELMORA_WINE_WINDOWS=0 leaves them out (a build without the desktop program has none).
window_suites=()
if [ "${VELMORA_WINE_WINDOWS:-1}" = 1 ]; then
    shopt -s nullglob
    window_suites=("$build"/bin/*Test.exe)
    shopt -u nullglob
fi
export WINEQT_QPA_PLATFORM=offscreen WINEQT_FORCE_STDERR_LOGGING=1
export WINEQT_QPA_FONTDIR='Z:\usr\share\fonts\opentype\noto'
for suite in "${window_suites[@]}"; do
    name="$(basename "$suite" .exe)"
    echo "== wine: $name"
    status=0
    "$WINE" "$suite" -platform offscreen >"$log" 2>&1 || status=$?
    grep -E '^(Totals|FAIL|SKIP|QFATAL|QCRITICAL)|Loc: ' "$log" || true
    if [ "$status" -ne 0 ]; then
        cat "$log"
        failed+=("$name")
    fi
done
rm -f "$log"
if [ ${#failed[@]} -gt 0 ]; then
    echo "windows-tests: failed under Wine: ${failed[*]}" >&2
    exit 1
fi
