// Clocks through the real velmora-convert: each run is compared with bars built here from the lines read
// through the zone database directly.
#include "cli/ProgramRun.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#ifdef VELMORA_ZONE_DATABASE
#include <date/tz.h>
#endif

#include <algorithm>
#include <cstdio>
#include <map>
#include <set>
#include <string>
#include <vector>

using namespace velmora::test;

namespace {

#ifdef VELMORA_ZONE_DATABASE

using std::chrono::hours;
using std::chrono::minutes;
using SysMinutes = date::sys_time<minutes>;
using LocalMinutes = date::local_time<minutes>;

/// The prices of the i-th line, in hundred-thousandths, and as a bar writes them.
struct Prices
{
    int open, high, low, close;
};

Prices pricesOf(long i)
{
    const int open = 100000 + static_cast<int>((i * 7) % 1000);
    return {open, open + 20 + static_cast<int>(i % 13), open - 15 - static_cast<int>(i % 11),
            open + static_cast<int>(i % 21) - 10};
}

std::string priceText(int units)
{
    const std::string fraction = std::to_string(units % 100000);
    return std::to_string(units / 100000) + "." + std::string(5 - fraction.size(), '0') + fraction;
}

/// "YYYY.MM.DD,HH:MM" without date::format, which would take most of the test's time on a year of lines.
std::string stampText(LocalMinutes time)
{
    const auto day = date::floor<date::days>(time);
    const date::year_month_day date{day};
    const auto minute = (time - day).count();
    char text[32];
    std::snprintf(text, sizeof text, "%04d.%02u.%02u,%02d:%02d", static_cast<int>(date.year()),
                  static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()), static_cast<int>(minute / 60),
                  static_cast<int>(minute % 60));
    return text;
}

std::string sourceLine(LocalMinutes time, long i)
{
    const Prices p = pricesOf(i);
    return stampText(time) + "," + priceText(p.open) + "," + priceText(p.high) + "," + priceText(p.low) + "," +
           priceText(p.close) + "\n";
}

/// Bars built here: by label, the prices of the lines that fell into it and their count.
struct Bar
{
    Prices prices{};
    long lines = 0;
};

void add(std::map<LocalMinutes, Bar>& bars, LocalMinutes label, long i)
{
    const Prices p = pricesOf(i);
    Bar& bar = bars[label];
    if (bar.lines++ == 0) {
        bar.prices = p;
    } else {
        bar.prices.high = std::max(bar.prices.high, p.high);
        bar.prices.low = std::min(bar.prices.low, p.low);
        bar.prices.close = p.close;
    }
}

std::string barFile(const std::map<LocalMinutes, Bar>& bars, bool volume)
{
    std::string text;
    for (const auto& [label, bar] : bars) {
        const Prices& p = bar.prices;
        text += date::format("%Y/%m/%d,%H:%M:00", label) + "," + priceText(p.open) + "," + priceText(p.high) + "," +
                priceText(p.low) + "," + priceText(p.close) + (volume ? "," + std::to_string(bar.lines) : "") + "\r\n";
    }
    return text;
}

/// The start of the bucket of width `width` on a grid through `anchor` that holds `time`.
LocalMinutes bucketOf(LocalMinutes time, minutes anchor, minutes width)
{
    const auto since = time.time_since_epoch() - anchor;
    return LocalMinutes{anchor + date::floor<minutes>(since - ((since % width) + width) % width)};
}

LocalMinutes localOf(const date::time_zone* zone, SysMinutes utc)
{
    return date::floor<minutes>(zone->to_local(utc));
}

TEST(ClockProgramTest, AYearOfUtcDataGivesNewYorkDaysAndFourHourBarsAcrossBothSwitches)
{
    // A 24/5 market: Sunday 17:00 to Friday 17:00 New York, stamped in UTC.
    const date::time_zone* newYork = date::locate_zone("America/New_York");
    std::string source;
    std::map<LocalMinutes, Bar> days;
    std::map<LocalMinutes, Bar> fourHours;
    long i = 0;
    for (SysMinutes utc = date::sys_days{date::year{2024} / 1 / 1}; utc < date::sys_days{date::year{2025} / 1 / 1};
         utc += minutes{1}) {
        const LocalMinutes ny = localOf(newYork, utc);
        const date::weekday day{date::floor<date::days>(ny)};
        const auto clock = ny - date::floor<date::days>(ny);
        const bool open = !(day == date::Saturday || (day == date::Friday && clock >= hours{17}) ||
                            (day == date::Sunday && clock < hours{17}));
        if (!open) {
            continue;
        }
        source += sourceLine(LocalMinutes{utc.time_since_epoch()}, i);
        add(days, bucketOf(ny, hours{17}, hours{24}), i);
        add(fourHours, bucketOf(ny, hours{17}, hours{4}), i);
        ++i;
    }
    const TempDir dir;
    dir.write("U_1min.txt", source);
    const ProgramResult result =
        runProgram({"-s", "/dev/null", "-t", "1440, 240", "--clock-preset", "utc-new-york", "U_1min.txt"}, dir.path());
    ASSERT_EQ(result.exitCode, 0) << result.out << result.err;
    EXPECT_EQ(readBytes(dir.file("U_Daily.txt")), barFile(days, false));
    EXPECT_EQ(readBytes(dir.file("U_4hour.txt")), barFile(fourHours, false));

    // What a trader checks: five days a week, each from 17:00 New York, and the six four-hour starts.
    std::map<date::sys_days, int> perWeek;
    for (const auto& [label, bar] : days) {
        const date::sys_days day{date::floor<date::days>(label).time_since_epoch()};
        EXPECT_EQ(label - date::floor<date::days>(label), hours{17});
        EXPECT_NE(date::weekday{day}, date::Friday);
        EXPECT_NE(date::weekday{day}, date::Saturday);
        ++perWeek[day - (date::weekday{day} - date::Sunday)];
    }
    for (const auto& [week, count] : perWeek) {
        if (week > date::sys_days{date::year{2024} / 1 / 1} && week < date::sys_days{date::year{2024} / 12 / 22}) {
            EXPECT_EQ(count, 5) << date::format("%F", week);
        }
    }
    std::set<long> starts;
    for (const auto& [label, bar] : fourHours) {
        starts.insert(date::floor<hours>(label - date::floor<date::days>(label)).count());
    }
    EXPECT_EQ(starts, (std::set<long>{1, 5, 9, 13, 17, 21}));
}

struct Switches
{
    const char* zone;
    date::sys_days spring; ///< the days around each change of offset
    date::sys_days autumn;
};

const Switches Zones[] = {
    {"America/New_York", date::sys_days{date::year{2024} / 3 / 9}, date::sys_days{date::year{2024} / 11 / 2}},
    {"Europe/London", date::sys_days{date::year{2024} / 3 / 30}, date::sys_days{date::year{2024} / 10 / 26}},
};

/// Three days of a 24/7 market from a day, a line a minute.
template <class Line> void threeDaysFrom(date::sys_days from, Line&& line)
{
    long i = 0;
    for (SysMinutes utc = from; utc < from + date::days{3}; utc += minutes{1}) {
        line(utc, i++);
    }
}

/// The first line where two bar files differ, for a short failure message.
std::string firstDifference(const std::string& actual, const std::string& expected)
{
    const auto a = lines(actual);
    const auto e = lines(expected);
    for (std::size_t k = 0; k < std::max(a.size(), e.size()); ++k) {
        const std::string left = k < a.size() ? a[k] : "(none)";
        const std::string right = k < e.size() ? e[k] : "(none)";
        if (left != right) {
            return "line " + std::to_string(k + 1) + ": " + left + " instead of " + right;
        }
    }
    return {};
}

TEST(ClockProgramTest, NoLineIsLostWhereAClockRepeatsOrSkipsAnHour)
{
    for (const auto& [name, spring, autumn] : Zones) {
        for (const date::sys_days from : {spring, autumn}) {
            const date::time_zone* zone = date::locate_zone(name);
            SCOPED_TRACE(std::string(name) + date::format(" %F", from));
            {
                // A file written in the zone's own time holds its repeated hour twice: read through the zone, every
                // UTC hour gets its sixty lines.
                std::string source;
                std::map<LocalMinutes, Bar> hoursUtc;
                threeDaysFrom(from, [&](SysMinutes utc, long i) {
                    source += sourceLine(localOf(zone, utc), i);
                    add(hoursUtc, bucketOf(LocalMinutes{utc.time_since_epoch()}, hours{17}, hours{1}), i);
                });
                const TempDir dir;
                dir.write("L_1min.txt", source);
                const ProgramResult result =
                    runProgram({"-s", "/dev/null", "-t", "60", "--no-market-window", "--volume", "--source-clock", name,
                                "--market-clock", "UTC", "--label-clock", "UTC", "L_1min.txt"},
                               dir.path());
                ASSERT_EQ(result.exitCode, 0) << result.out << result.err;
                EXPECT_EQ(firstDifference(readBytes(dir.file("L_1hour.txt")), barFile(hoursUtc, true)), "");
            }
            {
                // UTC data on the zone's clock: the second pass through the repeated hour goes into the bar under way
                // (the hour's bar holds both passes), and no bar is written in the skipped hour, fill or not.
                std::string source;
                std::map<LocalMinutes, Bar> hoursLocal;
                long lines = 0;
                LocalMinutes latest{};
                threeDaysFrom(from, [&](SysMinutes utc, long i) {
                    source += sourceLine(LocalMinutes{utc.time_since_epoch()}, i);
                    latest = std::max(latest, localOf(zone, utc));
                    add(hoursLocal, bucketOf(latest, hours{17}, hours{1}), i);
                    ++lines;
                });
                const TempDir dir;
                dir.write("M_1min.txt", source);
                const ProgramResult result =
                    runProgram({"-s", "/dev/null", "-t", "60", "--no-market-window", "--volume", "--source-clock",
                                "UTC", "--market-clock", name, "--label-clock", name, "M_1min.txt"},
                               dir.path());
                ASSERT_EQ(result.exitCode, 0) << result.out << result.err;
                EXPECT_EQ(firstDifference(readBytes(dir.file("M_1hour.txt")), barFile(hoursLocal, true)), "");
                const bool repeats = from == autumn;
                EXPECT_EQ(result.out.find("M_1min.txt の 59 行は市場の時計で繰り返す 1 時間の 2 回目にあるので") !=
                              std::string::npos,
                          repeats)
                    << result.out;
                long written = 0;
                for (const auto& [label, bar] : hoursLocal) {
                    written += bar.lines;
                }
                EXPECT_EQ(written, lines);
            }
        }
    }
}

TEST(ClockProgramTest, ATimeTheSourceClockSkipsIsReadAfterTheChangeAndCounted)
{
    const std::string source = "2024.03.10,01:59,1.00000,1.00020,0.99990,1.00010\n"
                               "2024.03.10,02:30,1.00010,1.00030,1.00000,1.00020\n"
                               "2024.03.10,03:31,1.00020,1.00040,1.00010,1.00030\n";
    const TempDir dir;
    dir.write("S_1min.txt", source);
    const ProgramResult result =
        runProgram({"-s", "/dev/null", "-t", "60", "--no-market-window", "--no-fill", "--source-clock",
                    "America/New_York", "--market-clock", "UTC", "--label-clock", "UTC", "S_1min.txt"},
                   dir.path());
    ASSERT_EQ(result.exitCode, 0) << result.out << result.err;
    // 02:30 does not exist in New York that day; with the offset before the change (−5) it is 07:30 UTC, the
    // same instant as 03:30 summer time.
    EXPECT_EQ(readBytes(dir.file("S_1hour.txt")), "2024/03/10,06:00:00,1.00000,1.00020,0.99990,1.00010\r\n"
                                                  "2024/03/10,07:00:00,1.00010,1.00040,1.00000,1.00030\r\n");
    EXPECT_NE(result.out.find("S_1min.txt の 1 行は元データの時計では夏時間の切り替えで存在しない時刻です"),
              std::string::npos)
        << result.out;
}

TEST(ClockProgramTest, AZoneTheDatabaseDoesNotHaveStopsTheRunBeforeItStarts)
{
    const TempDir dir;
    dir.write("Z_1min.txt", "2024.03.10,01:59,1.00000,1.00020,0.99990,1.00010\n");
    const ProgramResult usage =
        runProgram({"-s", "/dev/null", "--market-clock", "Mars/Olympus", "Z_1min.txt"}, dir.path());
    EXPECT_EQ(usage.exitCode, 2) << usage.err;
    const ProgramResult settings = runProgram(
        {"-s", dir.write("velmora.ini", "[Clock]\r\nMarketClock=Mars/Olympus\r\n").string(), "Z_1min.txt"}, dir.path());
    EXPECT_EQ(settings.exitCode, 1);
    EXPECT_EQ(settings.err, "タイムゾーン「Mars/Olympus」が見つかりません\n");
    EXPECT_EQ(folderNames(dir.path()), (std::vector<std::string>{"Z_1min.txt", "velmora.ini"}));
}

#else

TEST(ClockProgramTest, NeedsTheZoneDatabase)
{
    GTEST_SKIP() << "built without the zone database (date/tz)";
}

#endif

} // namespace
