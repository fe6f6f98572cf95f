#!/usr/bin/python3
"""The default conversion job side by side with pandas and with our floor program, in one run.

Generates (if missing) a one-year and a five-year 1-minute file and a tick file of about 20 million lines
(about 1 GB, seconds in the time field) in the work folder, then for each file runs
  - velmora-convert with the default job ("5, 60, 240, 1440", default options),
  - the pandas script doing the same job (bench/compare_pandas.py's resampling, which checks itself against
    velmora on the one-year file),
  - FloorBench: one read of the file, every line's date, time and four prices parsed, nothing written,
and prints the median wall time, MB/s of input, peak memory and the ratios. Peak memory is given three ways:
the peak resident set (VmHWM, which counts the pages of a mapped source), and the largest RssAnon (the
program's own memory) and RssFile (mapped file pages) seen while sampling /proc/<pid>/status every 5 ms.

usage: /usr/bin/python3 bench/run_all.py BUILD_BIN_FOLDER [WORK_FOLDER] [--runs N] [--pandas-ticks] [--huge] [--fresh]
                                       [--baseline OTHER_BIN_FOLDER] [--with "OPTIONS"] [--archives]
  BUILD_BIN_FOLDER  folder holding velmora-convert and FloorBench (a release build: build/release/bin)
  WORK_FOLDER       where the data goes (default /tmp/velmora-bench); never inside the repository
  --runs N          runs per program and file (default 3); pandas runs once on files above 100 MB
  --pandas-ticks    also run pandas on the tick file (needs about 10 GB of memory and minutes)
  --only KEY        only the file KEY: 1y, 5y or ticks
  --huge            afterwards generate a 5 GB tick file, convert it once, report, and delete it
  --fresh           instead of the above, velmora-convert on the five-year and the tick file, each run once on the
                    file left alone for 3 s and once on the file touched just before the run
  --with "OPTIONS"  instead of the above, the default job with and without the options (for instance
                    "--source-clock UTC --market-clock America/New_York", or "--gap-log"), interleaved on every file
  --baseline DIR    instead of the above, the default job by DIR/velmora-convert (an earlier commit's release
                    build) and by this build, interleaved on every file: before and after a change, in one run
  --layouts         instead of the above, the default job on the same year of 1-minute data written in the usual
                    layout and in six others (day-first ticks with ask and bid; ISO 8601 date and time in one
                    field; day-first with semicolons and decimal commas; newest line first; epoch seconds; a
                    symbol before the date), detected and chosen, side by side: the
                    time per line of each against the usual layout's (needs only velmora-convert)
  --archives        instead of the above, the default job on the five-year file, on a .gz of it and on a .zip of
                    it (made once by Python's gzip and zipfile), interleaved: what unpacking costs
  --formats         instead of the above, the default job written as the usual text and as each output format
                    (hst, mt5, ninjatrader, forex-tester, csv), interleaved on every file: what the writers cost
"""
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import threading
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)


def status_fields(pid):
    fields = {}
    try:
        with open("/proc/%d/status" % pid) as status:
            for line in status:
                key, _, value = line.partition(":")
                if key in ("RssAnon", "RssFile", "VmHWM"):
                    fields[key] = int(value.split()[0])
    except OSError:
        pass
    return fields


def measure(command, cwd=None, before=None):
    """Runs the command; returns (seconds, peak kB, peak RssAnon kB, peak RssFile kB, processor seconds).
    before, when given, is called right before the program starts, after pending writes were flushed."""
    peaks = {"RssAnon": 0, "RssFile": 0, "VmHWM": 0}
    done = threading.Event()
    errors = tempfile.TemporaryFile()  # a pipe could fill up while the child is waited for
    # Files the previous program left to be written must not be put on the disk in this one's time: a program
    # that flushes its own files (as velmora does before renaming them into place) would wait for them too.
    os.sync()
    if before:
        before()
    start = time.perf_counter()
    child = subprocess.Popen(command, cwd=cwd, stdout=subprocess.DEVNULL, stderr=errors)

    def sample():
        # Until the child is reaped its pid cannot be taken by another process.
        while not done.is_set():
            for key, value in status_fields(child.pid).items():
                peaks[key] = max(peaks[key], value)
            done.wait(0.005)

    # The wait blocks on the child itself, so the time is taken when it ends, not at the next sample.
    sampler = threading.Thread(target=sample)
    sampler.start()
    try:
        _, wait_status, usage = os.wait4(child.pid, 0)
        elapsed = time.perf_counter() - start
    finally:
        done.set()
        sampler.join()
    errors.seek(0)
    error = errors.read().decode(errors="replace")
    errors.close()
    child.returncode = os.waitstatus_to_exitcode(wait_status)
    if child.returncode != 0:
        raise RuntimeError("%s failed (%d): %s" % (" ".join(command), child.returncode, error[-500:]))
    # ru_maxrss would count the Python process the child was forked from; VmHWM starts again at exec.
    return elapsed, peaks["VmHWM"] or usage.ru_maxrss, peaks["RssAnon"], peaks["RssFile"], usage.ru_utime + usage.ru_stime


def generate(floor, folder, only=None):
    files = [("1y", "EURUSD_1min_2009.txt", ["--minutes", "1"]),
             ("5y", "EURUSD_1min_2009-2013.txt", ["--minutes", "5"]),
             ("ticks", "EURUSD_1min_ticks.txt", ["--ticks", "20000000"])]
    result = []
    for key, name, how in files:
        if only and key != only:
            continue
        path = os.path.join(folder, key, name)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        if not os.path.exists(path):
            print("generating %s ..." % path, flush=True)
            subprocess.run([floor, how[0], path, how[1]], check=True)
        result.append((key, path))
    return result


def pandas_job(source, minute_format):
    import pandas as pd
    import compare_pandas
    folder = os.path.dirname(source)
    frame = pd.read_csv(source, header=None, names=["date", "time", "open", "high", "low", "close", "volume"],
                        dtype=str)
    frame.index = pd.to_datetime(frame["date"] + " " + frame["time"], format="%Y.%m.%d " + minute_format)
    frame["high_v"] = frame["high"].astype(float)
    frame["low_v"] = frame["low"].astype(float)
    digits = compare_pandas.decimals_of(frame)
    for width, label in compare_pandas.TIMEFRAMES:
        with open(os.path.join(folder, "pandas_%s.txt" % label), "w", newline="") as out:
            out.write(compare_pandas.pandas_bars(frame, width, digits))


def row(name, runs, size_mb):
    times = [r[0] for r in runs]
    median = statistics.median(times)
    return {"name": name, "seconds": median, "mbps": size_mb / median, "cpu": statistics.median(r[4] for r in runs), "peak": max(r[1] for r in runs) / 1024,
            "anon": max(r[2] for r in runs) / 1024, "file": max(r[3] for r in runs) / 1024, "runs": len(runs)}


def print_table(title, size_mb, lines, rows):
    print("\n%s: %.1f MB, %d lines" % (title, size_mb, lines))
    print("  %-16s %9s %9s %9s %11s %11s %11s %5s" % ("program", "median s", "cpu s", "MB/s", "peak RSS MB",
                                                      "anon MB", "file MB", "runs"))
    for r in rows:
        print("  %-16s %9.3f %9.3f %9.1f %11.1f %11.1f %11.1f %5d" % (
            r["name"], r["seconds"], r["cpu"], r["mbps"], r["peak"], r["anon"], r["file"], r["runs"]))
    by_name = {r["name"]: r for r in rows}
    ours = by_name["velmora-convert"]
    if "pandas" in by_name:
        print("  pandas / velmora      %6.1f x faster in wall time, %.1f x in processor time (target >= 30 on the"
              " one-year file)" % (by_name["pandas"]["seconds"] / ours["seconds"],
                                   by_name["pandas"]["cpu"] / max(ours["cpu"], 1e-3)))
    print("  velmora / floor       %6.2f x the floor's wall time, %.2f x its processor time (target <= 3 on the"
          " tick file)" % (ours["seconds"] / by_name["floor"]["seconds"], ours["cpu"] / max(by_name["floor"]["cpu"],
                                                                                           1e-3)))
    print("  velmora own memory    %6.1f MB RssAnon (target < 64)" % ours["anon"])


def print_pair(rows, heading):
    print("  %-12s %9s %9s %11s %11s %11s %5s" % (heading, "median s", "cpu s", "peak RSS MB", "anon MB", "file MB",
                                                  "runs"))
    for r in rows:
        print("  %-12s %9.3f %9.3f %11.1f %11.1f %11.1f %5d" % (r["name"], r["seconds"], r["cpu"], r["peak"],
                                                               r["anon"], r["file"], r["runs"]))


def settle(source):
    """Leaves the file alone for 3 s, past the 2 s after which any file is read once for all its jobs."""
    wait = 3.0 - (time.time() - os.stat(source).st_ctime)
    if wait > 0:
        time.sleep(wait)


def fresh_runs(convert, files, runs, only):
    """velmora-convert's default job on a file left alone and on the same file touched just before the run."""
    for key, source in files:
        if key not in ("5y", "ticks") or (only and key != only):
            continue
        size_mb = os.path.getsize(source) / 1e6
        results = {"left alone": [], "touched": []}
        # Interleaved, so that a change in the machine's load touches both alike.
        for _ in range(runs):
            settle(source)
            results["left alone"].append(measure([convert, "--overwrite", source]))
            # Touched as a download tool or a script leaves it: its times moved a moment before the program starts.
            results["touched"].append(measure([convert, "--overwrite", source], before=lambda: os.utime(source)))
        rows = [row(name, r, size_mb) for name, r in results.items()]
        title = {"5y": "five years of 1-minute bars", "ticks": "ticks with seconds"}[key]
        print("\n%s, velmora-convert: %.1f MB" % (title, size_mb))
        print_pair(rows, "source")
        alone, touched = rows
        print("  touched / left alone  %.2f x in wall time, %.2f x in peak RSS (target: within 1.15)" % (
            touched["seconds"] / alone["seconds"], touched["peak"] / alone["peak"]))


def baseline_runs(convert, baseline, files, runs, only):
    """The default job by this build and by another (an earlier commit's), interleaved on the same files."""
    for key, source in files:
        if only and key != only:
            continue
        size_mb = os.path.getsize(source) / 1e6
        settle(source)
        results = {"baseline": [], "this build": []}
        for _ in range(runs):
            results["baseline"].append(measure([baseline, "--overwrite", source]))
            results["this build"].append(measure([convert, "--overwrite", source]))
        rows = [row(name, r, size_mb) for name, r in results.items()]
        print("\n%s: %.1f MB, the default job" % (key, size_mb))
        print_pair(rows, "program")
        before, after = rows
        print("  this build / baseline  %.2f x in wall time, %.2f x in processor time, %.2f x in peak RSS" % (
            after["seconds"] / before["seconds"], after["cpu"] / max(before["cpu"], 1e-3), after["peak"] / before["peak"]))


def option_runs(convert, files, runs, only, options):
    """The default job with and without some options, interleaved on the same files."""
    for key, source in files:
        if only and key != only:
            continue
        size_mb = os.path.getsize(source) / 1e6
        settle(source)
        results = {"default job": [], "with options": []}
        for _ in range(runs):
            results["default job"].append(measure([convert, "--overwrite", source]))
            results["with options"].append(measure([convert, "--overwrite"] + options + [source]))
        rows = [row(name, r, size_mb) for name, r in results.items()]
        print("\n%s: %.1f MB, the default job and the same with %s" % (key, size_mb, " ".join(options)))
        print_pair(rows, "program")
        before, after = rows
        print("  with / without  %.2f x in wall time, %.2f x in processor time, %.2f x in peak RSS" % (
            after["seconds"] / before["seconds"], after["cpu"] / max(before["cpu"], 1e-3), after["peak"] / before["peak"]))


FORMATS = ["text", "hst", "mt5", "ninjatrader", "forex-tester", "csv"]


def format_runs(convert, files, runs, only):
    """The default job in every output format, interleaved on the same files."""
    for key, source in files:
        if only and key != only:
            continue
        size_mb = os.path.getsize(source) / 1e6
        settle(source)
        results = {name: [] for name in FORMATS}
        for _ in range(runs):
            for name in FORMATS:
                results[name].append(measure([convert, "--overwrite", "--format", name, source]))
        rows = [row(name, r, size_mb) for name, r in results.items()]
        print("\n%s: %.1f MB, the default job in each output format, median of %d runs" % (key, size_mb, runs))
        print_pair(rows, "format")
        text = rows[0]
        for r in rows[1:]:
            print("  %-14s / text  %.2f x in wall time, %.2f x in processor time, %.2f x in peak RSS" % (
                r["name"], r["seconds"] / text["seconds"], r["cpu"] / max(text["cpu"], 1e-3), r["peak"] / text["peak"]))


def archive_runs(convert, files, runs):
    """The default job on the five-year file as it is, gzipped and zipped, interleaved."""
    import gzip
    import zipfile
    source = dict(files)["5y"]
    folder = os.path.join(os.path.dirname(os.path.dirname(source)), "archives")
    os.makedirs(folder, exist_ok=True)
    name = os.path.basename(source)
    plain = os.path.join(folder, name)
    gzipped = plain + ".gz"
    zipped = os.path.join(folder, name[:-len(".txt")] + ".zip")
    if not os.path.exists(plain):
        shutil.copyfile(source, plain)
    if not os.path.exists(gzipped):
        print("generating %s ..." % gzipped, flush=True)
        with open(source, "rb") as f, gzip.open(gzipped, "wb", compresslevel=6) as out:
            shutil.copyfileobj(f, out, 1 << 20)
    if not os.path.exists(zipped):
        print("generating %s ..." % zipped, flush=True)
        with zipfile.ZipFile(zipped, "w", zipfile.ZIP_DEFLATED, compresslevel=6) as out:
            out.write(source, name)
    for path in (plain, gzipped, zipped):
        settle(path)
    results = {"plain": [], ".gz": [], ".zip": []}
    for _ in range(runs):
        results["plain"].append(measure([convert, "--overwrite", plain]))
        results[".gz"].append(measure([convert, "--overwrite", gzipped]))
        results[".zip"].append(measure([convert, "--overwrite", zipped]))
    size_mb = os.path.getsize(plain) / 1e6
    rows = [row(key, r, size_mb) for key, r in results.items()]
    print("\nfive years of 1-minute bars, %.1f MB (.gz %.1f MB, .zip %.1f MB), the default job, median of %d runs" % (
        size_mb, os.path.getsize(gzipped) / 1e6, os.path.getsize(zipped) / 1e6, runs))
    print_pair(rows, "source")
    for r in rows[1:]:
        print("  %-5s / plain  %.2f x in wall time (target at most 2), %.2f x in processor time, %.2f x in peak RSS" % (
            r["name"], r["seconds"] / rows[0]["seconds"], r["cpu"] / max(rows[0]["cpu"], 1e-3),
            r["peak"] / rows[0]["peak"]))


LAYOUT_LINES = 370000


def write_layouts(folder):
    """The same year of 1-minute prices in four layouts; returns [(name, path, options)]. Written once, by
    this script, so that only velmora-convert need be built."""
    import datetime
    import random
    shapes = [
        ("usual", "EURUSD_1min_usual.txt", [],
         lambda t, o, h, l, c: "%s,%s,%s,%s,%s\r\n" % (t.strftime("%Y.%m.%d,%H:%M"), o, h, l, c + ",17")),
        ("day-first ticks, ask and bid", "EURUSD_1min_ticks.csv", ["--layout", "dmy-ticks"],
         lambda t, o, h, l, c: "%s.534 GMT+0300,%s,%s,2.5,1.1\r\n" % (t.strftime("%d.%m.%Y %H:%M:%S"), h, c)),
        ("ISO 8601 in one field", "EURUSD_1min_iso.csv", ["--layout", "ymd"],
         lambda t, o, h, l, c: "%s,%s,%s,%s,%s,17\r\n" % (t.strftime("%Y-%m-%dT%H:%M:%S.000+0000"), o, h, l, c)),
        ("day-first, semicolons, decimal commas", "EURUSD_1min_comma.csv",
         ["--date-order", "dmy", "--separator", "semicolon", "--decimal-comma"],
         lambda t, o, h, l, c: "%s;%s;%s;%s;%s;17\r\n" % ((t.strftime("%d.%m.%Y;%H:%M"),) + tuple(
             v.replace(".", ",") for v in (o, h, l, c)))),
        ("newest line first, header, ISO", "EURUSD_1min_newest.csv", ["--layout", "ymd"],
         lambda t, o, h, l, c: "%s,%s,%s,%s,%s,17\r\n" % (t.strftime("%Y-%m-%d %H:%M:%S"), o, h, l, c)),
        ("epoch seconds, header, trailing columns", "EURUSD_1min_epoch.csv", ["--date-order", "epoch"],
         lambda t, o, h, l, c: "%d,%s,%s,%s,%s,17,%d,42\r\n" % (epoch(t), o, h, l, c, epoch(t) + 59)),
        ("a symbol before the date", "EURUSD_1min_symbol.csv", ["--date-column", "2"],
         lambda t, o, h, l, c: "EURUSD,%s,%s,%s,%s,%s,17\r\n" % (t.strftime("%Y.%m.%d,%H:%M"), o, h, l, c)),
    ]
    headers = {"EURUSD_1min_newest.csv": "timestamp,open,high,low,close,volume\r\n",
               "EURUSD_1min_epoch.csv": "open_time,open,high,low,close,volume,close_time,trades\r\n"}
    paths = [(name, os.path.join(folder, "layouts", file_name), options) for name, file_name, options, _ in shapes]
    if all(os.path.exists(path) for _, path, _ in paths):
        return paths
    os.makedirs(os.path.join(folder, "layouts"), exist_ok=True)
    outs = [open(path, "w", newline="") for _, path, _ in paths]
    for out, (_, path, _) in zip(outs, paths):
        out.write(headers.get(os.path.basename(path), ""))
    rng = random.Random(7)
    price = 1.30000
    t = datetime.datetime(2009, 1, 4, 17, 0)
    written = 0
    while written < LAYOUT_LINES:
        t += datetime.timedelta(minutes=1)
        if t.weekday() == 5 or (t.weekday() == 4 and t.hour >= 17) or (t.weekday() == 6 and t.hour < 17):
            continue
        o = price
        c = round(o + rng.uniform(-0.0004, 0.0004), 5)
        h = round(max(o, c) + rng.uniform(0, 0.0002), 5)
        l = round(min(o, c) - rng.uniform(0, 0.0002), 5)
        price = c
        texts = ["%.5f" % v for v in (o, h, l, c)]
        for out, (_, _, _, shape) in zip(outs, shapes):
            out.write(shape(t, *texts))
        written += 1
    for out in outs:
        out.close()
    # Written newest line first: the header stays on top, the lines below it turned round.
    newest = os.path.join(folder, "layouts", "EURUSD_1min_newest.csv")
    with open(newest, newline="") as f:
        lines = f.readlines()
    with open(newest, "w", newline="") as f:
        f.write(lines[0])
        f.writelines(reversed(lines[1:]))
    return paths


def epoch(t):
    import calendar
    return calendar.timegm(t.timetuple())


def layout_runs(convert, folder, runs):
    """The default job on the same data in each layout; detected (the default, auto) and chosen."""
    paths = write_layouts(folder)
    results = {}
    for _ in range(runs):
        # Interleaved, so that a change in the machine's load touches every layout alike.
        for name, path, options in paths:
            results.setdefault((name, "auto"), []).append(measure([convert, "--overwrite", path]))
            if options:
                results.setdefault((name, "chosen"), []).append(measure([convert, "--overwrite"] + options + [path]))
    usual = None
    print("\nthe default job on one year of 1-minute data (%d lines) in each layout, median of %d runs" % (
        LAYOUT_LINES, runs))
    print("  %-40s %-7s %9s %9s %9s %9s" % ("layout", "reading", "wall s", "cpu s", "ns/line", "x usual"))
    for (name, reading), r in results.items():
        wall = statistics.median(x[0] for x in r)
        cpu = statistics.median(x[4] for x in r)
        if usual is None:
            usual = cpu
        print("  %-40s %-7s %9.3f %9.3f %9.0f %9.2f" % (name, reading, wall, cpu, cpu / LAYOUT_LINES * 1e9,
                                                      cpu / usual))
    print("  (x usual: processor time per line against the usual layout's; target at most 1.5)")


def main():
    args = [a for a in sys.argv[1:] if not a.startswith("--")]
    runs = 3
    if "--runs" in sys.argv:
        runs = int(sys.argv[sys.argv.index("--runs") + 1])
        args.remove(str(runs))
    only = sys.argv[sys.argv.index("--only") + 1] if "--only" in sys.argv else None
    if only:
        args.remove(only)
    baseline = sys.argv[sys.argv.index("--baseline") + 1] if "--baseline" in sys.argv else None
    if baseline:
        args.remove(baseline)
    options = sys.argv[sys.argv.index("--with") + 1].split() if "--with" in sys.argv else None
    if options and sys.argv[sys.argv.index("--with") + 1] in args:
        args.remove(sys.argv[sys.argv.index("--with") + 1])
    if not args:
        print(__doc__)
        return 2
    bin_folder = os.path.abspath(args[0])
    folder = os.path.abspath(args[1] if len(args) > 1 else "/tmp/velmora-bench")
    convert = os.path.join(bin_folder, "velmora-convert")
    floor = os.path.join(bin_folder, "FloorBench")
    os.makedirs(folder, exist_ok=True)
    print("load average at start: %.2f %.2f %.2f, %d cores" % (os.getloadavg() + (os.cpu_count(),)))

    if baseline:
        baseline_runs(convert, os.path.join(os.path.abspath(baseline), "velmora-convert"), generate(floor, folder),
                      runs, only)
        print("load average at end: %.2f %.2f %.2f" % os.getloadavg())
        return 0

    if options:
        option_runs(convert, generate(floor, folder), runs, only, options)
        print("load average at end: %.2f %.2f %.2f" % os.getloadavg())
        return 0

    if "--formats" in sys.argv:
        format_runs(convert, generate(floor, folder), runs, only)
        print("load average at end: %.2f %.2f %.2f" % os.getloadavg())
        return 0

    if "--archives" in sys.argv:
        archive_runs(convert, generate(floor, folder, "5y"), runs)
        print("load average at end: %.2f %.2f %.2f" % os.getloadavg())
        return 0

    if "--layouts" in sys.argv:
        layout_runs(convert, folder, runs)
        print("load average at end: %.2f %.2f %.2f" % os.getloadavg())
        return 0

    if "--fresh" in sys.argv:
        fresh_runs(convert, generate(floor, folder), runs, only)
        print("load average at end: %.2f %.2f %.2f" % os.getloadavg())
        return 0

    for key, source in generate(floor, folder):
        if only and key != only:
            continue
        size_mb = os.path.getsize(source) / 1e6
        with open(source, "rb") as text:
            lines = sum(block.count(b"\n") for block in iter(lambda: text.read(1 << 24), b""))
        work = os.path.dirname(source)
        results = {"velmora-convert": [], "floor": [], "pandas": []}
        pandas_runs = 0
        if key != "ticks" or "--pandas-ticks" in sys.argv:
            pandas_runs = runs if size_mb < 100 else 1
        # Interleaved, so that a change in the machine's load touches every program alike.
        for i in range(runs):
            results["velmora-convert"].append(measure([convert, "--overwrite", source]))
            results["floor"].append(measure([floor, source]))
            if i < pandas_runs:
                fmt = "%H:%M:%S" if key == "ticks" else "%H:%M"
                code = "import sys; sys.path.insert(0, %r); import run_all; run_all.pandas_job(%r, %r)" % (
                    HERE, source, fmt)
                results["pandas"].append(measure(["/usr/bin/python3", "-c", code]))
        rows = [row(name, r, size_mb) for name, r in results.items() if r]
        title = {"1y": "one year of 1-minute bars", "5y": "five years of 1-minute bars",
                 "ticks": "ticks with seconds"}[key]
        print_table(title, size_mb, lines, rows)
        if key == "1y" and results["pandas"]:
            same = all(open(os.path.join(work, "EURUSD_%s_2009.txt" % label), "rb").read() ==
                       open(os.path.join(work, "pandas_%s.txt" % label), "rb").read()
                       for label in ("5min", "1hour", "4hour", "Daily"))
            print("  same bars as pandas:  %s" % ("yes" if same else "NO"))

    if "--huge" in sys.argv:
        huge = os.path.join(folder, "huge", "EURUSD_1min_huge.txt")
        os.makedirs(os.path.dirname(huge), exist_ok=True)
        print("\ngenerating %s (about 5 GB) ..." % huge, flush=True)
        subprocess.run([floor, "--ticks", huge, "92000000"], check=True)
        # Where the file system's times do not come from this machine's clock, a file changed in the last two
        # seconds is read anew by every job. Wait, so that the figure is the same on every file system.
        time.sleep(3)
        size_mb = os.path.getsize(huge) / 1e6
        try:
            ours = row("velmora-convert", [measure([convert, "--overwrite", huge])], size_mb)
        finally:
            shutil.rmtree(os.path.dirname(huge), ignore_errors=True)
        print("5 GB tick file (%.0f MB): velmora-convert %.1f s (processor %.1f s), %.1f MB/s, peak RSS %.1f MB, own (RssAnon) %.1f MB,"
              " mapped file pages %.1f MB" % (size_mb, ours["seconds"], ours["cpu"], ours["mbps"], ours["peak"], ours["anon"],
                                              ours["file"]))
    print("load average at end: %.2f %.2f %.2f" % os.getloadavg())
    return 0


if __name__ == "__main__":
    sys.exit(main())
