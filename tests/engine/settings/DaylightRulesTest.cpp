#include "engine/settings/DaylightRules.h"

#include "engine/bars/SummerShiftTable.h"
#include "engine/clock/ZoneClock.h"

#include <algorithm>
#include <gtest/gtest.h>

namespace velmora {

/// The rules come from the zone database, which a build for Windows does not read.
#define SKIP_WITHOUT_ZONE_DATABASE()                                                                                   \
    if (!hasZoneDatabase()) {                                                                                          \
        GTEST_SKIP() << "built without the zone database (date/tz)";                                                   \
    }

void PrintTo(const SummerRowTexts& row, std::ostream* out)
{
    *out << row.start << " - " << row.end << " : " << row.shift;
}

void PrintTo(const DaylightPeriod& period, std::ostream* out)
{
    *out << formatPeriodText(period.start) << " - " << formatPeriodText(period.end);
}

namespace {

constexpr int ThisYear = 2026;

MinuteStamp stampOf(int year, int month, int day, int hour, int minute)
{
    return *daysFromCivil(year, month, day) * 1440 + hour * 60 + minute;
}

SummerRowTexts rowOf(DaylightRegime regime, int year, int offsetHours)
{
    const auto rows = daylightRows({regime, year, year, 60, offsetHours});
    return rows.size() == 1 ? rows.front() : SummerRowTexts{"(none)", "(none)", "(none)"};
}

TEST(DaylightRulesTest, PeriodsOfKnownYearsInTheSourceClock)
{
    SKIP_WITHOUT_ZONE_DATABASE();
    using enum DaylightRegime;
    struct Case
    {
        DaylightRegime regime;
        int year;
        int offsetHours;
        const char* start;
        const char* end;
    };
    const Case cases[] = {
        {UnitedStatesEastern, 2008, 0, "2008/03/09 7:00:00", "2008/11/02 6:00:00"},
        {UnitedStatesEastern, 2008, 2, "2008/03/09 9:00:00", "2008/11/02 8:00:00"},
        {UnitedStatesEastern, 2008, -5, "2008/03/09 2:00:00", "2008/11/02 1:00:00"},
        {UnitedStatesEastern, 2006, 0, "2006/04/02 7:00:00", "2006/10/29 6:00:00"}, // the rule before 2007
        {UnitedStatesEastern, 2024, 9, "2024/03/10 16:00:00", "2024/11/03 15:00:00"},
        {UnitedStatesPacific, 2008, 0, "2008/03/09 10:00:00", "2008/11/02 9:00:00"},
        {UnitedStatesCentral, 2008, -6, "2008/03/09 2:00:00", "2008/11/02 1:00:00"},
        {EuropeanUnion, 2008, 0, "2008/03/30 1:00:00", "2008/10/26 1:00:00"},
        {EuropeanUnion, 2008, 2, "2008/03/30 3:00:00", "2008/10/26 3:00:00"},
        {EuropeanUnion, 2008, -5, "2008/03/29 20:00:00", "2008/10/25 20:00:00"},
        {EuropeanUnion, 2021, -1, "2021/03/28", "2021/10/31"}, // midnight writes the date alone
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << daylightRegimeInfo(c.regime).name << " " << c.year << " UTC"
                                        << c.offsetHours);
        EXPECT_EQ(rowOf(c.regime, c.year, c.offsetHours), (SummerRowTexts{c.start, c.end, "60"}));
    }
}

TEST(DaylightRulesTest, NewYorkRowsForDataStampedInUtc)
{
    SKIP_WITHOUT_ZONE_DATABASE();
    const auto rows = daylightRows({DaylightRegime::UnitedStatesEastern, 2007, 2009, 60, 0});
    const std::vector<SummerRowTexts> expected = {
        {"2007/03/11 7:00:00", "2007/11/04 6:00:00", "60"},
        {"2008/03/09 7:00:00", "2008/11/02 6:00:00", "60"},
        {"2009/03/08 7:00:00", "2009/11/01 6:00:00", "60"},
    };
    EXPECT_EQ(rows, expected);
}

TEST(DaylightRulesTest, RowsLoadIntoTheShiftTable)
{
    SKIP_WITHOUT_ZONE_DATABASE();
    const auto rows = daylightRows({DaylightRegime::EuropeanUnion, 2008, 2009, -30, 2});
    std::vector<std::string> starts;
    std::vector<std::string> ends;
    std::vector<std::string> shifts;
    for (const auto& row : rows) {
        starts.push_back(row.start);
        ends.push_back(row.end);
        shifts.push_back(row.shift);
    }
    SummerShiftTable table;
    table.LoadForRun(starts, ends, shifts, ThisYear);
    EXPECT_EQ(table.ShiftAt(stampOf(2008, 3, 30, 2, 59)), 0);
    EXPECT_EQ(table.ShiftAt(stampOf(2008, 3, 30, 3, 0)), -30);
    EXPECT_EQ(table.ShiftAt(stampOf(2008, 10, 26, 2, 59)), -30);
    EXPECT_EQ(table.ShiftAt(stampOf(2008, 10, 26, 3, 0)), 0);
    EXPECT_EQ(table.ShiftAt(stampOf(2009, 7, 1, 12, 0)), -30);
}

TEST(DaylightRulesTest, EveryPeriodRunsFromASundayToALaterSunday)
{
    SKIP_WITHOUT_ZONE_DATABASE();
    for (const auto& info : daylightRegimes()) {
        for (int year = info.firstYear; year <= 2100; ++year) {
            const auto period = daylightPeriodUtc(info.regime, year);
            ASSERT_TRUE(period) << info.name << " " << year;
            // Every transition lies between 1:00 and 10:00 UTC, so its UTC date is the local Sunday.
            const int startDays = period->start / 1440;
            const int endDays = period->end / 1440;
            EXPECT_EQ((startDays + 6) % 7, 0) << info.name << " " << year;
            EXPECT_EQ((endDays + 6) % 7, 0) << info.name << " " << year;
            EXPECT_LT(period->start, period->end);
            EXPECT_GT(startDays, *daysFromCivil(year, 3, 7));
            EXPECT_LT(endDays, *daysFromCivil(year, 11, 8));
        }
        EXPECT_FALSE(daylightPeriodUtc(info.regime, info.firstYear - 1));
    }
}

TEST(DaylightRulesTest, RequestsThatCannotBeFilledGiveAReasonAndNoRows)
{
    SKIP_WITHOUT_ZONE_DATABASE();
    using enum DaylightRegime;
    const DaylightRequest refused[] = {
        {UnitedStatesEastern, 2010, 2009, 60, 0},                       // years reversed
        {UnitedStatesEastern, 1986, 1990, 60, 0},                       // before the coded rule
        {EuropeanUnion, 1995, 1995, 60, 0},                             // before the coded rule
        {EuropeanUnion, 2000, 2000 + MaxDaylightYears, 60, 0},          // too many rows at once
        {EuropeanUnion, LastDaylightYear, LastDaylightYear + 1, 60, 0}, // beyond the last year
        {EuropeanUnion, 2008, 2008, 60, 24},                            // not a clock on earth
    };
    for (const auto& request : refused) {
        SCOPED_TRACE(testing::Message() << request.firstYear << "-" << request.lastYear);
        const auto problem = daylightRequestProblem(request);
        ASSERT_TRUE(problem);
        EXPECT_FALSE(problem->empty());
        EXPECT_TRUE(daylightRows(request).empty());
    }
    EXPECT_EQ(*daylightRequestProblem({UnitedStatesEastern, 1986, 1990, 60, 0}),
              "米国 東部時間 (ニューヨーク) の規則は 1987 年以降について入力できます");
    EXPECT_FALSE(daylightRequestProblem({EuropeanUnion, 2000, 2000 + MaxDaylightYears - 1, 60, -23}));
}

// The rules the aid used to code by hand, kept here as an independent reckoning of what the database must give.
namespace handRules {

int weekday(std::int32_t days)
{
    const int rest = (days + 6) % 7;
    return rest < 0 ? rest + 7 : rest;
}

std::int32_t nthSunday(int year, int month, int n)
{
    const std::int32_t first = *daysFromCivil(year, month, 1);
    return first + (7 - weekday(first)) % 7 + 7 * (n - 1);
}

std::int32_t lastSunday(int year, int month)
{
    const std::int32_t last = *daysFromCivil(year, month + 1, 1) - 1;
    return last - weekday(last);
}

DaylightPeriod unitedStates(int standardHours, int year)
{
    const int startHour = 2 - standardHours;
    const int endHour = 2 - (standardHours + 1);
    if (year >= 2007) {
        return {nthSunday(year, 3, 2) * 1440 + startHour * 60, nthSunday(year, 11, 1) * 1440 + endHour * 60};
    }
    return {nthSunday(year, 4, 1) * 1440 + startHour * 60, lastSunday(year, 10) * 1440 + endHour * 60};
}

DaylightPeriod europe(int year)
{
    return {lastSunday(year, 3) * 1440 + 60, lastSunday(year, 10) * 1440 + 60};
}

} // namespace handRules

TEST(DaylightRulesTest, TheDatabaseGivesTheRowsTheCodedRulesGave)
{
    SKIP_WITHOUT_ZONE_DATABASE();
    // 2038 on lies past the changes the zone files list: the files' own rule for later years carries on.
    struct Case
    {
        DaylightRegime regime;
        int standardHours;
        int firstYear;
        int lastYear;
    };
    const Case cases[] = {
        {DaylightRegime::UnitedStatesEastern, -5, 1987, 2100},  {DaylightRegime::UnitedStatesCentral, -6, 2000, 2030},
        {DaylightRegime::UnitedStatesMountain, -7, 2000, 2030}, {DaylightRegime::UnitedStatesPacific, -8, 2000, 2030},
        {DaylightRegime::EuropeanUnion, 0, 1996, 2100},
    };
    for (const auto& c : cases) {
        const std::string_view zone = daylightRegimeInfo(c.regime).zone;
        const auto periods = daylightPeriodsUtc(zone, c.firstYear, c.lastYear);
        ASSERT_TRUE(periods) << zone;
        ASSERT_EQ(periods->size(), static_cast<std::size_t>(c.lastYear - c.firstYear + 1)) << zone;
        for (int year = c.firstYear; year <= c.lastYear; ++year) {
            const DaylightPeriod expected = c.regime == DaylightRegime::EuropeanUnion
                                                ? handRules::europe(year)
                                                : handRules::unitedStates(c.standardHours, year);
            EXPECT_EQ((*periods)[static_cast<std::size_t>(year - c.firstYear)], expected) << zone << " " << year;
        }
    }
    // Rows as the dialog writes them, through a zone asked for by name and through the listed regime alike.
    for (const int offset : {0, 9, -5}) {
        DaylightRequest byRegime{DaylightRegime::UnitedStatesEastern, 2000, 2030, 60, offset};
        DaylightRequest byZone = byRegime;
        byZone.zone = "America/New_York";
        const auto rows = daylightRows(byZone);
        ASSERT_EQ(rows.size(), 31u);
        EXPECT_EQ(rows, daylightRows(byRegime));
        for (int year = 2000; year <= 2030; ++year) {
            const auto period = handRules::unitedStates(-5, year);
            const auto& row = rows[static_cast<std::size_t>(year - 2000)];
            EXPECT_EQ(row, (SummerRowTexts{formatPeriodText(period.start + offset * 60),
                                           formatPeriodText(period.end + offset * 60), "60"}));
        }
    }
}

TEST(DaylightRulesTest, AnyZoneOfTheDatabaseByName)
{
    SKIP_WITHOUT_ZONE_DATABASE();
    struct Case
    {
        const char* zone;
        int year;
        std::vector<SummerRowTexts> rows;
    };
    const Case cases[] = {
        // Written with a negative saving in winter: the summer is still the hour ahead.
        {"Europe/Dublin", 2021, {{"2021/03/28 1:00:00", "2021/10/31 1:00:00", "60"}}},
        // A southern summer runs into the next year; it belongs to the year it begins in.
        {"Australia/Sydney", 2021, {{"2021/10/02 16:00:00", "2022/04/02 16:00:00", "60"}}},
        {"America/Sao_Paulo", 2018, {{"2018/11/04 3:00:00", "2019/02/17 2:00:00", "60"}}},
        {"America/New_York", 2045, {{"2045/03/12 7:00:00", "2045/11/05 6:00:00", "60"}}},
        {"Europe/Berlin", 1980, {{"1980/04/06 1:00:00", "1980/09/28 1:00:00", "60"}}}, // before the EU rule
    };
    for (const auto& c : cases) {
        DaylightRequest request{DaylightRegime::UnitedStatesEastern, c.year, c.year, 60, 0, c.zone};
        EXPECT_FALSE(daylightRequestProblem(request)) << c.zone;
        EXPECT_EQ(daylightRows(request), c.rows) << c.zone;
    }

    const std::pair<DaylightRequest, std::string> refused[] = {
        {{DaylightRegime::UnitedStatesEastern, 2020, 2021, 60, 0, "Asia/Tokyo"},
         "Asia/Tokyo には 2020 年から 2021 年に始まる夏時間がありません"},
        {{DaylightRegime::UnitedStatesEastern, 2020, 2021, 60, 0, "Mars/Olympus"},
         "タイムゾーン「Mars/Olympus」が見つかりません"},
        {{DaylightRegime::UnitedStatesEastern, 0, 1, 60, 0, "Europe/London"}, "開始年は 1 年以降を指定してください"},
    };
    for (const auto& [request, message] : refused) {
        EXPECT_EQ(daylightRequestProblem(request), message);
        EXPECT_TRUE(daylightRows(request).empty());
    }
    // A zone asked for by name is not held to a listed regime's first year.
    EXPECT_FALSE(daylightRequestProblem({DaylightRegime::UnitedStatesEastern, 1970, 1970, 60, 0, "America/New_York"}));
}

TEST(DaylightRulesTest, TheZoneListIsTheDatabaseSorted)
{
    SKIP_WITHOUT_ZONE_DATABASE();
    const auto zones = daylightZones();
    ASSERT_GT(zones.size(), 300u);
    EXPECT_TRUE(std::is_sorted(zones.begin(), zones.end()));
    EXPECT_EQ(std::adjacent_find(zones.begin(), zones.end()), zones.end());
    for (const auto& info : daylightRegimes()) {
        EXPECT_TRUE(std::binary_search(zones.begin(), zones.end(), std::string(info.zone))) << info.zone;
    }
}

} // namespace
} // namespace velmora
