#include "engine/settings/DaylightRules.h"

#include "engine/bars/SummerShiftTable.h"

#include <gtest/gtest.h>

namespace velmora {
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

TEST(DaylightRulesTest, TypedDateTimesBecomePeriodTexts)
{
    const std::pair<const char*, std::optional<std::string>> cases[] = {
        {"2008/3/9 2:00", "2008/03/09 2:00:00"},
        {"2008/03/09 2:00:30", "2008/03/09 2:00:30"}, // seconds kept as typed
        {"  2008/03/09   14:05 ", "2008/03/09 14:05:00"},
        {"2008/03/09", "2008/03/09"},
        {"2008/03/09 0:00", "2008/03/09"},
        {"08/03/09 2:00", "2008/03/09 2:00:00"},
        {"12:30", "1899/12/30 12:30:00"},
        {"0001/01/01 23:59:59", "0001/01/01 23:59:59"},
        {"2008-03-09 2:00", std::nullopt},
        {"2008/02/30", std::nullopt},
        {"2008/03/09 25:00", std::nullopt},
        {"2008/03/09 x", std::nullopt},
        {"abc", std::nullopt},
        {" ", std::nullopt},
    };
    for (const auto& [typed, expected] : cases) {
        SCOPED_TRACE(typed);
        const auto text = normalizedPeriodText(typed, ThisYear);
        EXPECT_EQ(text, expected);
        if (text) {
            EXPECT_EQ(parsePeriodText(*text, ThisYear), parsePeriodText(typed, ThisYear));
        }
    }
}

TEST(DaylightRulesTest, FormatsStampsOnBothSidesOfTheOrigin)
{
    EXPECT_EQ(formatPeriodText(MinuteStamp{0}), "1899/12/30");
    EXPECT_EQ(formatPeriodText(MinuteStamp{-1}), "1899/12/29 23:59:00");
    EXPECT_EQ(formatPeriodText(stampOf(2000, 2, 29, 23, 1)), "2000/02/29 23:01:00");
}

} // namespace
} // namespace velmora
