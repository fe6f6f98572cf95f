#include "engine/bars/SummerShiftTable.h"

#include "platform/RunError.h"

#include <gtest/gtest.h>

namespace velmora {
namespace {

constexpr int ThisYear = 2026;

MinuteStamp stampOf(int year, int month, int day, int hour, int minute)
{
    return *daysFromCivil(year, month, day) * 1440 + hour * 60 + minute;
}

std::string loadError(const std::vector<std::string>& starts, const std::vector<std::string>& ends,
                      const std::vector<std::string>& shifts)
{
    SummerShiftTable table;
    try {
        table.LoadForRun(starts, ends, shifts, ThisYear);
    } catch (const RunError& error) {
        EXPECT_TRUE(table.periods().empty());
        return error.what();
    }
    return "(loaded)";
}

TEST(SummerShiftTableTest, PeriodsIncludeTheirStartAndExcludeTheirEnd)
{
    SummerShiftTable table;
    table.LoadForRun(std::vector<std::string>{"2008/03/09 2:00:00", "2008/01/01", "2008/06/01"},
                     std::vector<std::string>{"2008/11/02 2:00:00", "2009/01/01", "2008/05/01"},
                     std::vector<std::string>{"60", "-60", "30"}, ThisYear);
    EXPECT_EQ(table.ShiftAt(stampOf(2008, 3, 9, 1, 59)), -60);
    EXPECT_EQ(table.ShiftAt(stampOf(2008, 3, 9, 2, 0)), 60); // start: inside, upper row wins the overlap
    EXPECT_EQ(table.ShiftAt(stampOf(2008, 11, 2, 1, 59)), 60);
    EXPECT_EQ(table.ShiftAt(stampOf(2008, 11, 2, 2, 0)), -60); // end: outside the first period
    EXPECT_EQ(table.ShiftAt(stampOf(2009, 1, 1, 0, 0)), 0);
    EXPECT_EQ(table.ShiftAt(stampOf(2008, 5, 15, 0, 0)), 60); // the reversed third period never matches
}

TEST(SummerShiftTableTest, EmptyTableShiftsNothing)
{
    SummerShiftTable table;
    EXPECT_EQ(table.ShiftAt(stampOf(2008, 7, 1, 0, 0)), 0);
    table.LoadForRun(std::vector<std::string>{"2008/01/01"}, std::vector<std::string>{"2009/01/01"},
                     std::vector<std::string>{"60"}, ThisYear);
    table.LoadForRun({}, {}, {}, ThisYear);
    EXPECT_EQ(table.ShiftAt(stampOf(2008, 7, 1, 0, 0)), 0);
}

TEST(SummerShiftTableTest, BadRowsEndTheRunWithTheirText)
{
    EXPECT_EQ(loadError({"2008/03/09"}, {"2008/11/02"}, {"1h"}), "'1h' は整数ではありません");
    EXPECT_EQ(loadError({"2008/03/09"}, {"2008/11/02"}, {""}), "'' は整数ではありません");
    EXPECT_EQ(loadError({"2008/3/32"}, {"2008/11/02"}, {"60"}), notADateTimeMessage("2008/3/32"));
    EXPECT_EQ(loadError({"2008/03/09"}, {"someday"}, {"60"}), notADateTimeMessage("someday"));
    EXPECT_EQ(loadError({"2008/03/09", "2009/03/08"}, {"2008/11/02"}, {"60", "60"}), summerRowIncompleteMessage(2));
    EXPECT_EQ(loadError({"2008/03/09", "2009/03/08"}, {"2008/11/02", "2009/11/01"}, {"60"}),
              summerRowIncompleteMessage(2));
    // Surplus end or shift rows without a start row are left unused.
    EXPECT_EQ(loadError({"2008/03/09"}, {"2008/11/02", "2009/11/01"}, {"60", "x"}), "(loaded)");
}

TEST(SummerShiftTableTest, FailedLoadLeavesNoPeriodsOfThePreviousRun)
{
    SummerShiftTable table;
    table.LoadForRun(std::vector<std::string>{"2008/01/01"}, std::vector<std::string>{"2009/01/01"},
                     std::vector<std::string>{"60"}, ThisYear);
    EXPECT_THROW(table.LoadForRun(std::vector<std::string>{"2008/01/01"}, std::vector<std::string>{"2009/01/01"},
                                  std::vector<std::string>{"x"}, ThisYear),
                 RunError);
    EXPECT_TRUE(table.periods().empty());
}

} // namespace
} // namespace velmora
