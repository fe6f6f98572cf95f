#include "input/CivilDays.h"

#include <gtest/gtest.h>

namespace velmora {
namespace {

// Every day of the years 1 to 9999 goes to its date and back, and the weekdays run on without a break: the two
// directions are written independently, so a slip in either shows here.
TEST(CivilDaysTest, EveryDayOfTheRangeGoesToItsDateAndBack)
{
    const std::int64_t first = *daysFromCivil(1, 1, 1);
    const std::int64_t last = *daysFromCivil(9999, 12, 31);
    int weekday = weekdayOfDay(first);
    for (std::int64_t day = first; day <= last; ++day) {
        const CivilDate date = civilFromDays(day);
        ASSERT_EQ(daysFromCivil(date.year, date.month, date.day), day) << date.year << '-' << date.month;
        ASSERT_EQ(weekdayOfDay(day), weekday) << day;
        weekday = weekday % 7 + 1;
    }
}

TEST(CivilDaysTest, KnownDays)
{
    struct Case
    {
        std::int64_t day;
        int year, month, dayOfMonth, weekday;
    };
    const Case cases[] = {
        {0, 1899, 12, 30, 7},          // the origin, a Saturday
        {1, 1899, 12, 31, 1},          // the first Sunday
        {UnixEpochDay, 1970, 1, 1, 5}, // a Thursday
        {39818, 2009, 1, 5, 2},        {36585, 2000, 2, 29, 3}, {-1, 1899, 12, 29, 6},
    };
    for (const Case& c : cases) {
        const CivilDate date = civilFromDays(c.day);
        EXPECT_EQ(date.year, c.year) << c.day;
        EXPECT_EQ(date.month, c.month) << c.day;
        EXPECT_EQ(date.day, c.dayOfMonth) << c.day;
        EXPECT_EQ(weekdayOfDay(c.day), c.weekday) << c.day;
    }
}

TEST(CivilDaysTest, FloorDivisionRoundsTowardMinusInfinity)
{
    EXPECT_EQ(floorDiv(-1, MinutesPerDay), -1);
    EXPECT_EQ(floorDiv(-MinutesPerDay, MinutesPerDay), -1);
    EXPECT_EQ(floorDiv(-MinutesPerDay - 1, MinutesPerDay), -2);
    EXPECT_EQ(floorDiv(MinutesPerDay - 1, MinutesPerDay), 0);
    EXPECT_EQ(floorDiv(7, -2), -4);
    EXPECT_EQ(floorMod(-1, 7), 6);
    EXPECT_EQ(floorMod(14, 7), 0);
}

} // namespace
} // namespace velmora
