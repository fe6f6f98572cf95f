#!/usr/bin/env bash
# Draws one week of bars in each clock preset for docs/clocks.md, and checks on the way that velmora-convert
# gives the weeks the page describes.
#
#   bash scripts/clock-pictures.sh [build/dev/bin] [output-folder]
#
# Writes docs/clocks-<preset>.png (file, utc-new-york, broker, tokyo-new-york, tokyo-session). The data is a
# week of 1-minute lines with no break, from Saturday 2024-01-06 00:00 UTC to Sunday 2024-01-14 12:00 UTC (and the
# same July week, checked but not drawn), written in the preset's source clock; velmora-convert turns it into
# 1-minute, 4-hour and daily bars with --clock-preset, and ClockWeekPicture (built with the windows) draws them.
# Every price is 1 + (minutes since the first line) / 100000 and every volume 1, so a bar's volume is the
# number of its minutes and its open tells the instant its first line was written at. A week that differs
# from the table below stops the script with the difference before anything is drawn.
# Needs python3 (standard library only) and the zone database; draws on Qt's offscreen platform.
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
bin="${1:-$root/build/dev/bin}"
outdir="${2:-$root/docs}"
for program in velmora-convert ClockWeekPicture; do
    [ -x "$bin/$program" ] || {
        echo "no $program in $bin: cmake --build build/dev --target velmora-convert ClockWeekPicture" >&2
        exit 1
    }
done

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
export XDG_RUNTIME_DIR="$work"
mkdir -p "$outdir"
# An empty settings file: the defaults, whatever velmora.ini lies beside the build.
: >"$work/none.ini"

# week <folder> <first UTC> <clock>: the lines, one a minute for 8.5 days, written in the clock (UTC, NY+7 or a
# zone) with the rules of the zone database.
week() {
    python3 - "$@" <<'EOF'
import sys
from datetime import datetime, timedelta, timezone
from zoneinfo import ZoneInfo

folder, first, clock = sys.argv[1:4]
start = datetime.fromisoformat(first).replace(tzinfo=timezone.utc)
with open(f"{folder}/week.txt", "w", newline="") as out:
    for i in range(8 * 1440 + 720):
        instant = start + timedelta(minutes=i)
        if clock == "UTC":
            written = instant
        elif clock == "NY+7":
            written = instant.astimezone(ZoneInfo("America/New_York")) + timedelta(hours=7)
        else:
            written = instant.astimezone(ZoneInfo(clock))
        price = f"{1 + i / 100000:.5f}"
        out.write(f"{written:%Y.%m.%d,%H:%M},{price},{price},{price},{price},1\r\n")
EOF
}

# check <preset> <season> <first UTC> <folder>: the bars against what docs/clocks.md says of the week.
check() {
    python3 - "$@" <<'EOF'
import sys
from datetime import datetime, timedelta

preset, season, first, folder = sys.argv[1:5]
NY_17_WINTER, NY_17_SUMMER = "22:00", "21:00"  # 17:00 New York in UTC
# preset: (daily labels Monday=0, label time, first line in UTC, minutes of each daily bar, H4 label hours,
#          minutes inside the window, minutes of the 4-hour bars). The window keeps or drops whole bars by their
#          label, so tokyo-session's Friday bars run past its 15:00 close: the daily one to Saturday 9:00, the
#          4-hour one from 13:00 to 17:00.
winter = {
    "file": ([6, 0, 1, 2, 3], "17:00", "17:00", [1440] * 5, [17, 21, 1, 5, 9, 13], 5 * 1440, 5 * 1440),
    "utc-new-york": ([6, 0, 1, 2, 3], "17:00", NY_17_WINTER, [1440] * 5, [17, 21, 1, 5, 9, 13], 5 * 1440, 5 * 1440),
    "broker": ([0, 1, 2, 3, 4], "00:00", NY_17_WINTER, [1440] * 5, [0, 4, 8, 12, 16, 20], 5 * 1440, 5 * 1440),
    "tokyo-new-york": ([0, 1, 2, 3, 4], "07:00", NY_17_WINTER, [1440] * 5, [7, 11, 15, 19, 23, 3], 5 * 1440, 5 * 1440),
    "tokyo-session": ([0, 1, 2, 3, 4], "09:00", "00:00", [1440] * 5, [9, 13, 17, 21, 1, 5], 4 * 1440 + 360,
                      4 * 1440 + 480),
}
summer = dict(winter)
summer["utc-new-york"] = winter["utc-new-york"][:2] + (NY_17_SUMMER,) + winter["utc-new-york"][3:]
summer["broker"] = winter["broker"][:2] + (NY_17_SUMMER,) + winter["broker"][3:]
summer["tokyo-new-york"] = ([0, 1, 2, 3, 4], "06:00", NY_17_SUMMER, [1440] * 5, [6, 10, 14, 18, 22, 2], 5 * 1440, 5 * 1440)
days, time, utc, lengths, hours, window, h4window = (winter if season == "winter" else summer)[preset]

def bars(name):
    with open(f"{folder}/week {name}.txt") as lines:
        return [line.strip().split(",") for line in lines if line.strip()]

start = datetime.fromisoformat(first)
daily = bars("Daily")
got = [(datetime.strptime(f[0], "%Y/%m/%d").weekday(), f[1][:5],
        (start + timedelta(minutes=round((float(f[2]) - 1) * 100000))).strftime("%H:%M"), int(f[6])) for f in daily]
want = [(day, time, utc, length) for day, length in zip(days, lengths)]
problems = []
if got != want:
    problems.append(f"daily bars (weekday, label, first line UTC, minutes): {got}, not {want}")
h4 = sorted({int(f[1][:2]) for f in bars("4hour")})
if h4 != sorted(hours):
    problems.append(f"4-hour labels at {h4}, not {sorted(hours)}")
minutes = sum(int(f[6]) for f in bars("1min"))
if minutes != window:
    problems.append(f"{minutes} minutes inside the window, not {window}")
h4minutes = sum(int(f[6]) for f in bars("4hour"))
if h4minutes != h4window:
    problems.append(f"{h4minutes} minutes in 4-hour bars, not {h4window}")
if problems:
    sys.exit(f"{preset}, {season} week: " + "; ".join(problems))
EOF
}

source_clock() {
    case "$1" in
    file | utc-new-york) echo UTC ;;
    broker) echo NY+7 ;;
    *) echo Asia/Tokyo ;;
    esac
}

# The clock under each daily label: the one a reader of the preset thinks of the week in.
also_clock() {
    case "$1" in
    file | utc-new-york | tokyo-session) echo UTC ;;
    *) echo America/New_York ;;
    esac
}

for preset in file utc-new-york broker tokyo-new-york tokyo-session; do
    for season in winter summer; do
        if [ "$season" = winter ]; then first=2024-01-06T00:00; else first=2024-07-06T00:00; fi
        folder="$work/$preset-$season"
        mkdir -p "$folder"
        week "$folder" "$first" "$(source_clock "$preset")"
        "$bin/velmora-convert" --settings "$work/none.ini" --clock-preset "$preset" -t "1, 240, 1440" --volume \
            --label start --no-fill --keep-time --no-summer --time-zone 0 --overwrite "$folder/week.txt" >/dev/null
        check "$preset" "$season" "$first" "$folder"
    done
    folder="$work/$preset-winter"
    QT_QPA_PLATFORM=offscreen "$bin/ClockWeekPicture" "$preset" 2024-01-06T00:00Z "$(also_clock "$preset")" \
        "$outdir/clocks-$preset.png" "$folder/week 1min.txt" "$folder/week 4hour.txt" "$folder/week Daily.txt"
    echo "saved $outdir/clocks-$preset.png"
done
