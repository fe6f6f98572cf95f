#!/usr/bin/env bash
# Runs every suite of the Windows build (cmake --preset windows) under Wine, each as one process: the engine,
# input, platform, regex and CLI suites. Tests that cannot hold on Windows say so with a visible skip.
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
rm -f "$log"
if [ ${#failed[@]} -gt 0 ]; then
    echo "windows-tests: failed under Wine: ${failed[*]}" >&2
    exit 1
fi
