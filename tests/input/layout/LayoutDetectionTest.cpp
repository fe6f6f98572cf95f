#include "input/layout/LayoutDetection.h"

#include <gtest/gtest.h>
#include <optional>
#include <string_view>

namespace velmora {
namespace {

constexpr std::string_view UsualFile = "2022/08/15,10:06,1.0234,1.0236,1.0234,1.0235\r\n"
                                       "2022/08/15,10:07,1.0235,1.0237,1.0233,1.0236\r\n";
constexpr std::string_view DayFirstTicks = "15.08.2022 10:06:00.125,1.02351,1.02348\r\n"
                                           "16.08.2022 09:01:00.500,1.02252,1.02250\r\n";

// Under "auto" a file the usual reading can start from stays usual, and another one gets the layout that reads it
// with prices and dates in order; a slash date is tried month-first before day-first.
TEST(LayoutDetectionTest, PicksTheLayoutThatReadsTheFirstLines)
{
    const struct
    {
        std::string_view text;
        std::optional<SourceLayout> detected;
    } cases[] = {
        {UsualFile, std::nullopt},
        {DayFirstTicks, chosenLayout(DateOrder::DayFirst, FieldSeparator::Any, false, PriceColumns::Bid)},
        {"15.08.2022;10:06;1,0234;1,0236;1,0234;1,0235\n",
         chosenLayout(DateOrder::DayFirst, FieldSeparator::Any, true)},
        {"08/15/2022 10:06,1.0234,1.0236,1.0234,1.0235\n", chosenLayout(DateOrder::MonthFirst)},
        {"2022-08-15T10:06:00Z,1.0234,1.0236,1.0234,1.0235\n", chosenLayout(DateOrder::YearFirst)},
        // A high below the low, or dates that run both ways, show a wrong layout; dates that run backwards all
        // along are a file written newest line first.
        {"15.08.2022 10:06,1.0234,1.0230,1.0236,1.0235\n",
         chosenLayout(DateOrder::DayFirst, FieldSeparator::Any, false, PriceColumns::Bid)},
        {"16.08.2022 10:06,1.0234,1.0230\n15.08.2022 10:06,1.0234,1.0230\n17.08.2022 10:06,1.0234,1.0230\n",
         std::nullopt},
        {"16.08.2022 10:06,1.0234,1.0230\n15.08.2022 10:06,1.0234,1.0230\n",
         chosenLayout(DateOrder::DayFirst, FieldSeparator::Any, false, PriceColumns::Bid)},
        {"", std::nullopt},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(detectLayout(SourceLines::fromBytes(c.text), 1, 2022), c.detected) << c.text;
    }
}

// Dates of the form nn.nn.nn that run backwards year-first and forwards day-first look day-first; any other
// date, or a single line, does not.
SourceLayout withColumn(SourceLayout layout, int column)
{
    layout.dateColumn = column;
    return layout;
}

SourceLayout given(SourceLayout::Given part, void (*set)(SourceLayout&))
{
    SourceLayout layout;
    set(layout);
    layout.given = part;
    return layout;
}

// Epoch times, leading columns and ticks the usual reading takes with every price out of order are found; under
// "auto" a part the user gave is kept and the rest is chosen, and the layout of the given parts alone is taken
// wherever it reads the lines.
TEST(LayoutDetectionTest, FindsNewShapesAndKeepsTheGivenParts)
{
    const SourceLayout none;
    const SourceLayout bid = given(SourceLayout::GivenPrices, [](SourceLayout& l) { l.prices = PriceColumns::Bid; });
    const SourceLayout dmy =
        given(SourceLayout::GivenDateOrder, [](SourceLayout& l) { l.dateOrder = DateOrder::DayFirst; });
    const SourceLayout second = given(SourceLayout::GivenDateColumn, [](SourceLayout& l) { l.dateColumn = 2; });
    const struct
    {
        std::string_view text;
        SourceLayout requested;
        std::optional<SourceLayout> detected;
    } cases[] = {
        {"open_time,open\n1660557960,1.0234,1.0236,1.0234,1.0235,7,1660558019\n", none, chosenLayout(DateOrder::Epoch)},
        {"1660557960000,1.0234,1.0236,1.0234,1.0235\n", none, chosenLayout(DateOrder::Epoch)},
        {"EURUSD,2022.08.15,10:06,1.0234,1.0236,1.0234,1.0235\n", none,
         withColumn(chosenLayout(DateOrder::YearFirst), 2)},
        {"7,EURUSD,15.08.2022,10:06,1.0234,1.0236,1.0234,1.0235\n", none,
         withColumn(chosenLayout(DateOrder::DayFirst), 3)},
        {"2010.01.01,00:00:07.534,1.43156,1.43151,2.5,1.1\n", none,
         chosenLayout(DateOrder::YearFirst, FieldSeparator::Any, false, PriceColumns::Bid)},
        {UsualFile, bid, chosenLayout(DateOrder::YearFirst, FieldSeparator::Any, false, PriceColumns::Bid)},
        {DayFirstTicks, bid, chosenLayout(DateOrder::DayFirst, FieldSeparator::Any, false, PriceColumns::Bid)},
        {"15.08.2022,10:06,1.0234,1.0236,1.0234,1.0235\n", dmy, chosenLayout(DateOrder::DayFirst)},
        {DayFirstTicks, dmy, chosenLayout(DateOrder::DayFirst, FieldSeparator::Any, false, PriceColumns::Bid)},
        {"EURUSD,2022.08.15,10:06,1.0234,1.0236,1.0234,1.0235\n", second,
         withColumn(chosenLayout(DateOrder::YearFirst), 2)},
        {"nothing here\n", second, withColumn(chosenLayout(DateOrder::YearFirst), 2)},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(detectLayout(SourceLines::fromBytes(c.text), 1, 2022, c.requested), c.detected) << c.text;
    }
}

TEST(LayoutDetectionTest, TellsDatesThatLookDayFirst)
{
    const struct
    {
        std::string_view text;
        bool dayFirst;
    } cases[] = {
        {"15.08.22,10:06,1,2,0.5,1\n16.08.22,10:06,1,2,0.5,1\n01.09.22,10:06,1,2,0.5,1\n", true},
        {"22.08.15,10:06,1,2,0.5,1\n22.08.16,10:06,1,2,0.5,1\n", false},
        {"15.08.22,10:06,1,2,0.5,1\n", false},
        {UsualFile, false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(datesLookDayFirst(SourceLines::fromBytes(c.text), 1, 2022), c.dayFirst) << c.text;
    }
}

// One decision for every reader: "usual" and a chosen layout never look at the file, "auto" detects.
TEST(LayoutDetectionTest, ResolvesTheLayoutOfEveryMode)
{
    const SourceLayout dmy = *layoutFromName("dmy");
    const struct
    {
        SourceLayout setting;
        std::string_view text;
        std::optional<SourceLayout> used;
        bool looked;
    } cases[] = {
        {*layoutFromName("usual"), DayFirstTicks, std::nullopt, false},
        {dmy, UsualFile, dmy, false},
        {*layoutFromName("auto"), UsualFile, std::nullopt, true},
        {*layoutFromName("auto"), DayFirstTicks, *layoutFromName("dmy-ticks"), true},
    };
    for (const auto& c : cases) {
        const SourceLines lines = SourceLines::fromBytes(c.text);
        bool looked = false;
        const auto firstLines = [&]() -> const SourceLines& {
            looked = true;
            return lines;
        };
        EXPECT_EQ(resolveLayout(c.setting, firstLines, 1, 2022), c.used) << c.text;
        EXPECT_EQ(looked, c.looked) << c.text;
        EXPECT_EQ(resolveLayout(c.setting, lines, 1, 2022), c.used) << c.text;
    }
}

} // namespace
} // namespace velmora
