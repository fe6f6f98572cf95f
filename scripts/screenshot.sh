#!/usr/bin/env bash
# Takes a PNG screenshot of velmora's main window under a virtual X server.
#
#   bash scripts/screenshot.sh [path/to/velmora] [output.png]
#
# Needs the Debian packages xvfb, imagemagick and x11-utils (not part of CI). The program runs from a copy
# in a temporary folder with a settings file of its own, so the build's velmora.ini is never touched, and
# shows the bundled sample registered in its file list.
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
program="${1:-$root/build/dev/bin/velmora}"
output="${2:-$root/docs/screenshot-main.png}"
display="${VELMORA_SCREENSHOT_DISPLAY:-:93}"

for tool in Xvfb import xwininfo; do
    command -v "$tool" >/dev/null || { echo "missing $tool: apt-get install xvfb imagemagick x11-utils" >&2; exit 1; }
done
[ -x "$program" ] || { echo "no program at $program: build it first (cmake --build --preset dev --target velmora)" >&2; exit 1; }

work="$(mktemp -d)"
xvfb_pid=""
app_pid=""
cleanup() {
    [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null || true
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

cp "$program" "$work/velmora"
cp "$root/samples/EURUSD_1min_2009.txt" "$work/"
printf '[Form]\r\nListBox=%s\r\nTop=0\r\nLeft=0\r\n' "$work/EURUSD_1min_2009.txt" > "$work/velmora.ini"

Xvfb "$display" -screen 0 800x820x24 -nolisten tcp >/dev/null 2>&1 &
xvfb_pid=$!
sleep 1

(cd "$work" && DISPLAY="$display" QT_QPA_PLATFORM=xcb ./velmora >/dev/null 2>&1) &
app_pid=$!

# Wait for the main window to be mapped, then give it a moment to paint.
window=""
for _ in $(seq 1 50); do
    window="$(DISPLAY="$display" xwininfo -root -tree 2>/dev/null | awk '/ver 0.06 beta 2/ {print $1; exit}')"
    [ -n "$window" ] && break
    sleep 0.2
done
[ -n "$window" ] || { echo "the main window did not appear" >&2; exit 1; }
sleep 1

mkdir -p "$(dirname "$output")"
DISPLAY="$display" import -window "$window" "$output"
echo "saved $output"
