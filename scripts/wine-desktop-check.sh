#!/usr/bin/env bash
# velmora.exe from the Windows zip under Wine, where a Windows user meets it: Qt's windows platform on a virtual
# display with a window manager, the zip unpacked into a folder named 取引ツール.
#   1. started once with no settings file and closed, it writes velmora.ini beside itself;
#   2. with the sample registered, "実行" writes the same bar files as the Linux build;
#   3. "edit" in a download-tool folder opens the linkage window ("1min以外のファイル作成設定");
#   4. "auto" there converts the checked instrument folders and ends, into the same files as the Linux
#      program's "auto" over a copy of the same tree.
# Usage: wine-desktop-check.sh [ZIP] [LINUX_VELMORA] [SCREENSHOT_FOLDER]
# LINUX_VELMORA is the Linux desktop program (build/dev/bin/velmora), run on the offscreen platform; with a
# SCREENSHOT_FOLDER the main window and the chart are saved there as screenshot-windows-*.png.
set -euo pipefail
cd "$(dirname "$0")/.."
zip="${1:-}"
[ -n "$zip" ] || zip="$(ls build/velmora-*-windows-x64.zip 2>/dev/null | head -n1)"
linux="$PWD/${2:-build/dev/bin/velmora}"
shots="${3:-}"
[ -f "$zip" ] || { echo "wine-desktop-check: no zip (bash scripts/make-windows-zip.sh)" >&2; exit 1; }
[ -x "$linux" ] || { echo "wine-desktop-check: no Linux program at $linux" >&2; exit 1; }
for tool in Xvfb openbox xdotool wmctrl; do
    command -v "$tool" >/dev/null || { echo "wine-desktop-check: missing $tool (scripts/setup.sh)" >&2; exit 1; }
done
source scripts/wine-env.sh

work="$(mktemp -d)"
display=":${VELMORA_WINE_DISPLAY:-95}"
pids=()
cleanup() {
    wineserver -k 2>/dev/null || true
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    rm -rf "$work"
}
trap cleanup EXIT
fail() {
    echo "wine-desktop-check: $*" >&2
    exit 1
}

Xvfb "$display" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
pids+=($!)
sleep 1
export DISPLAY="$display"
openbox >/dev/null 2>&1 &
pids+=($!)
sleep 1

# The zip as a user unpacks it.
unzip -q "$zip" -d "$work/unpacked"
program_dir="$work/取引ツール"
mv "$work/unpacked"/velmora-* "$program_dir"
exe="$program_dir/velmora.exe"
winPath() { echo "Z:${1//\//\\}"; }

# find_window <title part>: the id of the visible window whose title holds the text, waiting for it to appear.
find_window() {
    local window=""
    for _ in $(seq 1 150); do
        window="$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n1 || true)"
        [ -n "$window" ] && break
        sleep 0.2
    done
    [ -n "$window" ] || fail "no window titled like '$1' appeared"
    echo "$window"
}
# close_window <id>: as the user closes it (the window manager's close, WM_CLOSE for the program), so that
# its settings are saved.
close_window() {
    wmctrl -i -c "$1"
}
# wait_exit <pid> <seconds>: the program's status once it has ended.
wait_exit() {
    for _ in $(seq 1 $(($2 * 5))); do
        kill -0 "$1" 2>/dev/null || break
        sleep 0.2
    done
    kill -0 "$1" 2>/dev/null && fail "the program did not end within $2 s"
    local status=0
    wait "$1" || status=$?
    return "$status"
}
shoot() {
    [ -n "$shots" ] || return 0
    sleep 1
    mkdir -p "$shots"
    import -frame -window "$1" "$shots/$2" 2>/dev/null || import -window "$1" "$shots/$2"
    echo "saved $shots/$2"
}
main_title='ver 0.06 beta 2'

echo "== wine desktop: a first start in 取引ツール writes velmora.ini beside the program"
(cd "$program_dir" && exec "$WINE" "$exe" >"$work/first.log" 2>&1) &
pid=$!
close_window "$(find_window "$main_title")"
wait_exit "$pid" 30 || fail "status $? after closing the main window"
[ -f "$program_dir/velmora.ini" ] || fail "no velmora.ini beside the program: $(ls "$program_dir")"
grep -q '^\[Form\]' "$program_dir/velmora.ini" || fail "velmora.ini holds no [Form] section"
echo "velmora.ini written beside velmora.exe"

echo "== wine desktop: the registered sample converted by 実行, against the Linux build"
data="$work/データ"
mkdir -p "$data" "$work/linux"
cp samples/EURUSD_1min_2009.txt "$data/"
cp samples/EURUSD_1min_2009.txt "$work/linux/"
printf '[Form]\r\nListBox=%s\r\nTop=0\r\nLeft=0\r\n' "$(winPath "$data/EURUSD_1min_2009.txt")" >"$program_dir/velmora.ini"
(cd "$program_dir" && exec "$WINE" "$exe" >"$work/run.log" 2>&1) &
pid=$!
main="$(find_window "$main_title")"
sleep 2
# "実行" at (14, 106) in the window, 80 x 27.
xdotool mousemove --window "$main" 54 119 click 1
outputs=(EURUSD_5min_2009.txt EURUSD_1hour_2009.txt EURUSD_4hour_2009.txt EURUSD_Daily_2009.txt)
for _ in $(seq 1 300); do
    done_all=1
    for file in "${outputs[@]}"; do [ -f "$data/$file" ] || done_all=0; done
    [ "$done_all" -eq 1 ] && break
    sleep 0.2
done
sleep 1
shoot "$main" screenshot-windows-main.png
if [ -n "$shots" ]; then
    # A double click on the registered file (the list's first line, 23 px from the top) opens its chart.
    xdotool mousemove --window "$main" 100 32 click --repeat 2 --delay 80 1
    shoot "$(find_window 'チャート')" screenshot-windows-chart.png
fi
close_window "$main"
wait_exit "$pid" 30 || fail "status $? after the run"
printf '' >"$work/empty.ini"
(cd "$work/linux" && "$(dirname "$linux")/velmora-convert" --settings "$work/empty.ini" EURUSD_1min_2009.txt >/dev/null)
for file in "${outputs[@]}"; do
    [ -f "$data/$file" ] || fail "$file not written"
    cmp "$data/$file" "$work/linux/$file" || fail "$file differs from the Linux build's"
done
echo "same bytes as the Linux build: ${outputs[*]}"

echo "== wine desktop: edit and auto in a download tool's folder"
tool="$work/Quenbry"
for pair in EURUSD USDJPY; do
    mkdir -p "$tool/HistoricalData/$pair/1min"
    cp samples/EURUSD_1min_2009.txt "$tool/HistoricalData/$pair/1min/1min_${pair}_2009.txt"
done
: >"$tool/Quenbry.exe"
cp -a "$tool" "$work/Quenbry-linux"
settings='[Form]\r\nTop=0\r\nLeft=0\r\n[Form2]\r\nCheckList=EURUSDUSDJPY\r\n'
printf "$settings" >"$program_dir/velmora.ini"
(cd "$tool" && exec "$WINE" "$exe" edit >"$work/edit.log" 2>&1) &
pid=$!
linkage="$(find_window '1min以外のファイル作成設定')"
shoot "$linkage" screenshot-windows-linkage.png
close_window "$linkage"
wait_exit "$pid" 30 || fail "status $? after closing the linkage window"
echo "edit opened the linkage window"

printf "$settings" >"$program_dir/velmora.ini"
(cd "$tool" && exec "$WINE" "$exe" auto >"$work/auto.log" 2>&1) &
wait_exit "$!" 300 || fail "auto ended with status $?: $(tail -n 5 "$work/auto.log")"
mkdir -p "$work/linux-program"
cp "$linux" "$work/linux-program/velmora"
printf "$settings" >"$work/linux-program/velmora.ini"
(cd "$work/Quenbry-linux" && QT_QPA_PLATFORM=offscreen "$work/linux-program/velmora" auto >/dev/null 2>&1) ||
    fail "the Linux program's auto failed"
written="$(cd "$tool" && find HistoricalData -type f ! -path '*/1min/*' | sort)"
[ -n "$written" ] || fail "auto wrote nothing: $(tail -n 5 "$work/auto.log")"
[ "$written" = "$(cd "$work/Quenbry-linux" && find HistoricalData -type f ! -path '*/1min/*' | sort)" ] ||
    fail "auto wrote other files than the Linux program"
while read -r file; do
    cmp "$tool/$file" "$work/Quenbry-linux/$file" || fail "$file differs from the Linux program's"
done <<<"$written"
echo "auto converted $(wc -l <<<"$written") files, the same bytes as the Linux program, and ended"
