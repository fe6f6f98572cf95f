#!/usr/bin/env bash
# velmora-convert.exe under Wine where a Windows user meets it: the bundled sample converted into the same bytes
# (bar files and log) as the Linux build, from and into a folder with a Japanese name and from a zip and a .gz, and
# Ctrl-C (SIGINT, which Wine hands to the program as its console's Ctrl-C) cancelling a long run with status 130.
# Usage: wine-check.sh [WINDOWS_BUILD_DIR] [LINUX_VELMORA_CONVERT]
set -euo pipefail
cd "$(dirname "$0")/.."
exe="$PWD/${1:-build/windows}/bin/velmora-convert.exe"
linux="$PWD/${2:-build/nogui/bin/velmora-convert}"
source scripts/wine-env.sh

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
printf '' >"$work/empty.ini"
fail() {
    echo "wine-check: $*" >&2
    exit 1
}
# The log without its last line, the elapsed time, which differs from run to run.
withoutElapsed() { sed '$d' "$1"; }

echo "== wine: the sample in a Japanese folder, against the Linux build"
jp="$work/取引データ 2009"
mkdir -p "$jp" "$work/linux"
cp samples/EURUSD_1min_2009.txt "$jp/ユーロドル_1min_2009.txt"
cp samples/EURUSD_1min_2009.txt "$work/linux/ユーロドル_1min_2009.txt"
(cd "$work" && "$WINE" "$exe" --settings empty.ini "取引データ 2009/ユーロドル_1min_2009.txt" >wine.out 2>wine.err) ||
    fail "status $? under Wine: $(cat "$work/wine.err")"
(cd "$work" && "$linux" --settings empty.ini "linux/ユーロドル_1min_2009.txt" >linux.out 2>linux.err)
for name in 5min 1hour 4hour Daily; do
    file="ユーロドル_${name}_2009.txt"
    [ -f "$jp/$file" ] || fail "$file not written into the Japanese folder"
    cmp "$jp/$file" "$work/linux/$file" || fail "$file differs from the Linux build's"
done
diff <(withoutElapsed "$work/wine.out") <(withoutElapsed "$work/linux.out") || fail "the logs differ"
[ ! -s "$work/linux.err" ] || fail "unexpected messages: $(cat "$work/linux.err")"
echo "same bytes, log included: $(ls "$jp" | wc -l) files in $(basename "$jp")"

echo "== wine: a .gz, a .zip and a cut .gz of the sample, against the Linux build"
for side in wine-archives linux-archives; do
    mkdir -p "$work/$side/in"
    cp samples/EURUSD_1min_2009.txt "$work/$side/in/"
    gzip -6 -c samples/EURUSD_1min_2009.txt >"$work/$side/GBPUSD_1min_2009.txt.gz"
    (cd "$work/$side/in" && zip -q -9 ../ユーロ.zip EURUSD_1min_2009.txt && rm EURUSD_1min_2009.txt)
    head -c 30000 "$work/$side/GBPUSD_1min_2009.txt.gz" >"$work/$side/cut.txt.gz"
done
archives=(--settings ../empty.ini -t "5, 60" ユーロ.zip GBPUSD_1min_2009.txt.gz cut.txt.gz)
wine_status=0
(cd "$work/wine-archives" && "$WINE" "$exe" "${archives[@]}" >../wine-archives.out 2>&1) || wine_status=$?
linux_status=0
(cd "$work/linux-archives" && "$linux" "${archives[@]}" >../linux-archives.out 2>&1) || linux_status=$?
[ "$wine_status" -eq 3 ] && [ "$linux_status" -eq 3 ] ||
    fail "status $wine_status under Wine and $linux_status on Linux, 3 expected (one archive is cut short)"
for file in EURUSD_5min_2009.txt EURUSD_1hour_2009.txt GBPUSD_5min_2009.txt GBPUSD_1hour_2009.txt; do
    [ -f "$work/wine-archives/$file" ] || fail "$file not written from the archives"
    cmp "$work/wine-archives/$file" "$work/linux-archives/$file" || fail "$file from the archives differs"
done
diff <(withoutElapsed "$work/wine-archives.out") <(withoutElapsed "$work/linux-archives.out") ||
    fail "the archives' logs differ"
grep -q 'cut.txt.gz は壊れているか gzip ファイルではないので書き出しません' "$work/wine-archives.out" ||
    fail "no line for the cut .gz: $(cat "$work/wine-archives.out")"
echo "same bytes and log from a .zip and a .gz; the cut .gz said so"

echo "== wine: Ctrl-C cancels a long run"
mkdir -p "$work/long"
cp samples/EURUSD_1min_2009.txt "$work/long/"
# Several hundred jobs over the sample: minutes of work, cut short after the first bar files appear.
entries="$(seq -s, 1 400)"
(cd "$work/long" && exec "$WINE" "$exe" --settings ../empty.ini --overwrite -t "$entries" \
    EURUSD_1min_2009.txt EURUSD_1min_2009.txt EURUSD_1min_2009.txt >out.txt 2>err.txt) &
pid=$!
written() { grep -c 'を書き出しました' "$work/long/out.txt" 2>/dev/null || true; }
for _ in $(seq 1 600); do
    [ "$(written)" -ge 5 ] 2>/dev/null && break
    sleep 0.1
done
kill -INT "$pid"
status=0
wait "$pid" || status=$?
[ "$status" -eq 130 ] || fail "status $status after Ctrl-C, 130 expected; log ends: $(tail -n 2 "$work/long/out.txt")"
tail -n 1 "$work/long/out.txt" | grep -q '処理を中断しました' || fail "no cancel line: $(tail -n 1 "$work/long/out.txt")"
if ls -A "$work/long" | grep -q '\.tmp-'; then
    fail "a temporary file was left behind"
fi
echo "cancelled after $(written) bar files, status 130"
