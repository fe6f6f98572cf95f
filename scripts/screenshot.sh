#!/usr/bin/env bash
# Takes PNG screenshots of velmora's windows under a virtual X server with a window manager.
#
#   bash scripts/screenshot.sh [path/to/velmora] [output-folder]
#
# Draws into the output folder (docs/ by default):
#   screenshot-main.png              the main window at its built-in size, the bundled sample registered
#   screenshot-main-minimum.png      the main window at its minimum size, 625 x 565
#   screenshot-overwrite-long.png    the overwrite question for an output with a long name
#   screenshot-linkage-60.png        the linkage window ("edit") over 60 instrument folders
#   screenshot-main-150.png          the main window at 150 % scaling (QT_SCALE_FACTOR=1.5)
#   screenshot-input-layout.png      the dialog "入力ファイルの形式" previewing a day-first tick file
#
# Needs the Debian packages xvfb, openbox, imagemagick, x11-utils and xdotool (not part of CI). Every
# picture runs the program from a copy in a temporary folder with a settings file of its own, so the
# build's velmora.ini is never touched.
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
program="${1:-$root/build/dev/bin/velmora}"
outdir="${2:-$root/docs}"
display="${VELMORA_SCREENSHOT_DISPLAY:-:93}"

for tool in Xvfb openbox import xwininfo xdotool; do
    command -v "$tool" >/dev/null || {
        echo "missing $tool: apt-get install xvfb openbox imagemagick x11-utils xdotool" >&2
        exit 1
    }
done
[ -x "$program" ] || { echo "no program at $program: build it first (cmake --build --preset dev --target velmora)" >&2; exit 1; }

work="$(mktemp -d)"
xvfb_pid=""
wm_pid=""
app_pid=""
cleanup() {
    [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null || true
    [ -n "$wm_pid" ] && kill "$wm_pid" 2>/dev/null || true
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

# Big enough for the main window at 150 %; the linkage window still has to fit its 60 folders into it.
Xvfb "$display" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
xvfb_pid=$!
sleep 1
DISPLAY="$display" openbox >/dev/null 2>&1 &
wm_pid=$!
sleep 1
mkdir -p "$outdir"

# start <folder> <settings> [env...] -- [arguments...]: runs a fresh copy of the program in the folder.
start() {
    local folder="$1" settings="$2"
    shift 2
    local environment=()
    while [ $# -gt 0 ] && [ "$1" != "--" ]; do
        environment+=("$1")
        shift
    done
    [ $# -gt 0 ] && shift
    mkdir -p "$folder"
    cp "$program" "$folder/velmora"
    printf '%b' "$settings" > "$folder/velmora.ini"
    # exec: the id kept is the program's own, so that stop() ends the program and not a shell around it.
    (cd "$folder" && exec env DISPLAY="$display" QT_QPA_PLATFORM=xcb "${environment[@]}" ./velmora "$@" >/dev/null 2>&1) &
    app_pid=$!
}

# find <title part>: the id of the visible window whose title holds the text, waiting for it to appear.
find_window() {
    local window=""
    for _ in $(seq 1 50); do
        window="$(DISPLAY="$display" xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n1 || true)"
        [ -n "$window" ] && break
        sleep 0.2
    done
    [ -n "$window" ] || { echo "no window titled like '$1' appeared" >&2; exit 1; }
    echo "$window"
}

# shoot <window> <file>: the window with its frame, once it has had a moment to paint.
shoot() {
    sleep 1
    DISPLAY="$display" import -frame -window "$1" "$outdir/$2" 2>/dev/null ||
        DISPLAY="$display" import -window "$1" "$outdir/$2"
    echo "saved $outdir/$2"
}

stop() {
    kill "$app_pid" 2>/dev/null || true
    wait "$app_pid" 2>/dev/null || true
    app_pid=""
}

sample="$root/samples/EURUSD_1min_2009.txt"

# The main window at its built-in size, the sample registered.
cp "$sample" "$work/"
start "$work/main" "[Form]\r\nListBox=$work/EURUSD_1min_2009.txt\r\nTop=0\r\nLeft=0\r\n" --
shoot "$(find_window 'ver 0.06 beta 2')" screenshot-main.png
stop

# The main window at its minimum size: the upper panel whole, the log gone.
start "$work/minimum" "[Form]\r\nListBox=$work/EURUSD_1min_2009.txt\r\nTop=0\r\nLeft=0\r\nWidth=625\r\nHeight=565\r\n" --
shoot "$(find_window 'ver 0.06 beta 2')" screenshot-main-minimum.png
stop

# The overwrite question for an output with a long name: the output exists, "実行" is pressed.
long="$work/long"
mkdir -p "$long"
head -n 200 "$sample" > "$long/GBPJPY_1min_2009_full_year_from_broker_download_v2.txt"
echo "old" > "$long/GBPJPY_5min_2009_full_year_from_broker_download_v2.txt"
start "$long" "[Form]\r\nminute=5\r\nListBox=$long/GBPJPY_1min_2009_full_year_from_broker_download_v2.txt\r\nTop=0\r\nLeft=0\r\n" --
main="$(find_window 'ver 0.06 beta 2')"
sleep 1
# "実行" at (14, 106) in the window, 80 x 27.
DISPLAY="$display" xdotool mousemove --window "$main" 54 119 click 1
shoot "$(find_window '上書き確認')" screenshot-overwrite-long.png
stop

# The linkage window in its settings mode over 60 instrument folders: it stays inside the screen.
tool="$work/tool"
mkdir -p "$tool"
: > "$tool/Quenbry.exe"
for i in $(seq -w 1 60); do
    mkdir -p "$tool/HistoricalData/PAIR$i/1min"
done
start "$tool" "[Form]\r\nTop=0\r\nLeft=0\r\n[Form2]\r\nCheckList=PAIR01PAIR02PAIR07\r\n" -- edit
shoot "$(find_window '1min')" screenshot-linkage-60.png
stop

# The main window at 150 % scaling, 650 high so that it fits the screen.
start "$work/scaled" "[Form]\r\nListBox=$work/EURUSD_1min_2009.txt\r\nTop=0\r\nLeft=0\r\nHeight=650\r\n" QT_SCALE_FACTOR=1.5 --
shoot "$(find_window 'ver 0.06 beta 2')" screenshot-main-150.png
stop

# The input-layout dialog over a day-first tick file with ask and bid and a header line: under "自動" it
# shows the layout detection picks, the header marked as unread and every tick's date, time and bid.
ticks="$work/ticks"
mkdir -p "$ticks"
{
    printf 'Local time,Ask,Bid,AskVolume,BidVolume\r\n'
    ask=43156
    for second in $(seq 7 3 60); do
        printf '04.01.2010 00:00:%02d.534 GMT+0300,1.%05d,1.%05d,2.5,1.1\r\n' "$((second % 60))" "$ask" "$((ask - 5))"
        ask=$((ask + (second % 7) - 3))
    done
} > "$ticks/EURUSD_ticks.csv"
start "$ticks" "[Form]\r\nListBox=$ticks/EURUSD_ticks.csv\r\nTop=0\r\nLeft=0\r\n" --
main="$(find_window 'ver 0.06 beta 2')"
sleep 1
# "入力ファイルの形式" beside the summer-time button in the "特殊設定" frame, 27 high.
DISPLAY="$display" xdotool mousemove --window "$main" 440 597 click 1
shoot "$(find_window '入力ファイルの形式')" screenshot-input-layout.png
stop
