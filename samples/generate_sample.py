#!/usr/bin/env python3
"""Writes the bundled sample EURUSD_1min_2009.txt: three trading weeks of made-up 1-minute EURUSD bars.

The layout is the common one of 1-minute history exports, one bar per line with CR LF:

    2009.01.05,17:00,1.2345,1.2350,1.2340,1.2348,100

Bars run from Sunday 17:00 to Friday 17:00 (New York close), with a few gaps: quiet minutes without a
trade and some longer outages. The prices are a seeded random walk, so the file comes out byte for byte
the same on every machine and with every Python 3 version (no use of the random module).

Usage: python3 samples/generate_sample.py [OUTPUT]    (default: EURUSD_1min_2009.txt beside this script)
"""

import datetime
import pathlib
import sys

FIRST_SUNDAY = datetime.date(2009, 1, 4)
WEEKS = 3
SESSION_OPEN = datetime.time(17, 0)  # Sunday
SESSION_CLOSE = datetime.time(17, 0)  # Friday, exclusive
START_PRICE = 13450  # in pips (0.0001)

# Longer stretches without data: (start, minutes).
OUTAGES = [
    (datetime.datetime(2009, 1, 7, 3, 10), 30),
    (datetime.datetime(2009, 1, 13, 22, 0), 75),
    (datetime.datetime(2009, 1, 20, 12, 0), 60),
]


class Random:
    """xorshift32: small, fast and the same everywhere."""

    def __init__(self, seed):
        self.state = seed & 0xFFFFFFFF

    def next(self):
        x = self.state
        x ^= (x << 13) & 0xFFFFFFFF
        x ^= x >> 17
        x ^= (x << 5) & 0xFFFFFFFF
        self.state = x
        return x

    def below(self, bound):
        return self.next() % bound


def price_text(pips):
    return "%d.%04d" % (pips // 10000, pips % 10000)


def in_outage(moment):
    for start, minutes in OUTAGES:
        if start <= moment < start + datetime.timedelta(minutes=minutes):
            return True
    return False


def lines():
    random = Random(20090104)
    close = START_PRICE
    for week in range(WEEKS):
        moment = datetime.datetime.combine(FIRST_SUNDAY + datetime.timedelta(weeks=week), SESSION_OPEN)
        end = datetime.datetime.combine(FIRST_SUNDAY + datetime.timedelta(weeks=week, days=5), SESSION_CLOSE)
        while moment < end:
            quiet = random.below(100) < 6
            if not quiet and not in_outage(moment):
                open_ = close
                # A slight downward drift, as in January 2009.
                close = max(open_ + random.below(9) - 4 - (1 if random.below(100) == 0 else 0), 100)
                high = max(open_, close) + random.below(4)
                low = min(open_, close) - random.below(4)
                volume = 1 + random.below(150)
                yield "%s,%s,%s,%s,%s,%s,%d" % (
                    moment.strftime("%Y.%m.%d"),
                    moment.strftime("%H:%M"),
                    price_text(open_),
                    price_text(high),
                    price_text(low),
                    price_text(close),
                    volume,
                )
            moment += datetime.timedelta(minutes=1)


def main():
    default = pathlib.Path(__file__).resolve().parent / "EURUSD_1min_2009.txt"
    target = pathlib.Path(sys.argv[1]) if len(sys.argv) > 1 else default
    data = "".join(line + "\r\n" for line in lines()).encode("ascii")
    target.write_bytes(data)
    print("%s: %d bytes" % (target, len(data)))


if __name__ == "__main__":
    main()
