#!/usr/bin/env python3
"""The default conversion run against pandas on one year of 1-minute bars.

Generates the source file (weekdays only, Sunday 17:00 to Friday 17:00, a few gaps, 4 or 5 decimals), runs
ConversionBench over it, builds the same four bar files with pandas (buckets anchored at 17:00, labelled by
start, empty buckets filled from the previous close, only bars inside Sunday 17:00 to Friday 17:00), checks
that both wrote the same bars, then prints both times and their ratio.

usage: compare_pandas.py PATH/TO/ConversionBench [WORK_FOLDER]
"""
import datetime as dt
import os
import random
import subprocess
import sys
import tempfile
import time

import pandas as pd

TIMEFRAMES = [(5, "5min"), (60, "1hour"), (240, "4hour"), (1440, "Daily")]


def generate(path):
    rng = random.Random(20090105)
    price = 1.3000
    minute = dt.datetime(2009, 1, 4, 17, 0)  # a Sunday
    end = dt.datetime(2010, 1, 1, 17, 0)
    with open(path, "w", newline="") as out:
        while minute < end:
            weekday = minute.isoweekday() % 7  # 0 = Sunday
            in_week = (weekday == 0 and minute.hour >= 17) or 1 <= weekday <= 4 or (
                weekday == 5 and minute.hour < 17)
            if in_week and rng.random() > 0.002:  # a few missing minutes
                digits = 5 if rng.random() < 0.3 else 4
                o = round(price, digits)
                moves = [o + rng.uniform(-0.0008, 0.0008) for _ in range(3)]
                c = round(moves[-1], digits)
                h = round(max(o, c, *moves) + rng.uniform(0, 0.0003), digits)
                l = round(min(o, c, *moves) - rng.uniform(0, 0.0003), digits)
                out.write("%s,%s,%.*f,%.*f,%.*f,%.*f,%d\r\n" % (
                    minute.strftime("%Y.%m.%d"), minute.strftime("%H:%M"), digits, o, digits, h, digits, l,
                    digits, c, rng.randint(1, 200)))
                price = c
            minute += dt.timedelta(minutes=1)


def decimals_of(frame):
    # The detected decimals: the most digits after "." among 100 evenly spread sample lines.
    step = len(frame) // 100 - 1
    rows = frame.iloc[[i * step for i in range(100)]] if step > 0 else frame
    most = 0
    for column in ("open", "high", "low", "close"):
        for text in rows[column]:
            most = max(most, len(text.split(".", 1)[1]) if "." in text else 0)
    return most


def pandas_bars(frame, width, digits):
    origin = pd.Timestamp(frame.index[0].date()) - pd.Timedelta(days=1) + pd.Timedelta(hours=17)
    grouped = frame.resample("%dmin" % width, origin=origin, label="left", closed="left")
    bars = pd.DataFrame({
        "open": grouped["open"].first(),
        "high": grouped["high_v"].max(),
        "low": grouped["low_v"].min(),
        "close": grouped["close"].last(),
    })
    empty = bars["open"].isna()
    bars["close"] = bars["close"].ffill()
    bars.loc[empty, "open"] = bars.loc[empty, "close"]
    fill_value = bars["close"].astype(float)
    bars.loc[empty, "high"] = fill_value[empty]
    bars.loc[empty, "low"] = fill_value[empty]
    index = bars.index
    weekday = (index.dayofweek + 1) % 7 + 1  # 1 = Sunday
    hhmm = index.hour * 100 + index.minute
    inside = (weekday >= 1) & (weekday <= 6) & ~((weekday == 1) & (hhmm < 1700)) & ~((weekday == 6) & (hhmm >= 1700))
    bars = bars[inside]
    fmt = "%%.%df" % digits
    lines = (bars.index.strftime("%Y/%m/%d,%H:%M:%S") + "," + bars["open"] + "," + bars["high"].map(
        lambda v: fmt % v) + "," + bars["low"].map(lambda v: fmt % v) + "," + bars["close"])
    return "".join(line + "\r\n" for line in lines)


def run_pandas(source, folder):
    frame = pd.read_csv(source, header=None, names=["date", "time", "open", "high", "low", "close", "volume"],
                        dtype=str)
    frame.index = pd.to_datetime(frame["date"] + " " + frame["time"], format="%Y.%m.%d %H:%M")
    frame["high_v"] = frame["high"].astype(float)
    frame["low_v"] = frame["low"].astype(float)
    digits = decimals_of(frame)
    for width, label in TIMEFRAMES:
        with open(os.path.join(folder, "pandas_%s.txt" % label), "w", newline="") as out:
            out.write(pandas_bars(frame, width, digits))


def main():
    bench = sys.argv[1]
    folder = sys.argv[2] if len(sys.argv) > 2 else tempfile.mkdtemp(prefix="velmora-bench-")
    source = os.path.join(folder, "EURUSD_1min_2009.txt")
    if not os.path.exists(source):
        generate(source)
    result = subprocess.run([bench, source, "5"], check=True, capture_output=True, text=True).stdout
    figures = dict(line.split() for line in result.splitlines())

    best = float("inf")
    for _ in range(3):
        start = time.perf_counter()
        run_pandas(source, folder)
        best = min(best, (time.perf_counter() - start) * 1000)

    for _, label in TIMEFRAMES:
        ours = open(os.path.join(folder, "EURUSD_%s_2009.txt" % label), newline="").read()
        theirs = open(os.path.join(folder, "pandas_%s.txt" % label), newline="").read()
        if ours != theirs:
            a, b = ours.splitlines(), theirs.splitlines()
            first = next((i for i, (x, y) in enumerate(zip(a, b)) if x != y), min(len(a), len(b)))
            print("MISMATCH in %s at line %d: velmora %r, pandas %r" % (
                label, first + 1, a[first] if first < len(a) else None, b[first] if first < len(b) else None))
            return 1
    print("same bars: %s" % ", ".join(label for _, label in TIMEFRAMES))
    velmora = float(figures["velmora_ms"])
    print("source file        %8.1f MB (%d lines)" % (float(figures["source_mb"]), sum(1 for _ in open(source))))
    print("velmora            %8.1f ms" % velmora)
    print("pandas             %8.1f ms" % best)
    print("speed-up           %8.1f x (target >= 10)" % (best / velmora))
    print("velmora peak rss   %8.1f MB (growth %.1f MB, target < 2 x source)" % (
        float(figures["peak_mb"]), float(figures["peak_growth_mb"])))
    return 0


if __name__ == "__main__":
    sys.exit(main())
