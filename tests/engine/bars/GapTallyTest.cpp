#include "engine/bars/GapTally.h"

#include "engine/bars/BarBuilder.h"

#include <gtest/gtest.h>
#include <random>

namespace velmora {
namespace {

// 2019-08-19, a Monday, as a day count from 1899-12-30.
constexpr std::int64_t Monday = 43'696;
constexpr std::int64_t minuteOf(std::int64_t day, int hour, int minute)
{
    return day * 1440 + hour * 60 + minute;
}

MarketWindow windowOf(bool enabled, int openDay, int openHhmm, int closeDay, int closeHhmm)
{
    MarketWindow window;
    window.enabled = enabled;
    window.openDay = openDay;
    window.openHhmm = openHhmm;
    window.closeDay = closeDay;
    window.closeHhmm = closeHhmm;
    return window;
}

// The windows a user can set: the default Sunday 17:00 to Friday 17:00, the whole week, a window off, one that
// opens and closes on one day, and ones that close before they open (no minute inside).
const std::vector<MarketWindow>& windows()
{
    static const std::vector<MarketWindow> all{
        windowOf(true, 1, 1700, 6, 1700), windowOf(true, 1, 0, 7, 0),       windowOf(false, 1, 1700, 6, 1700),
        windowOf(true, 2, 0, 7, 0),       windowOf(true, 3, 930, 3, 1600),  windowOf(true, 4, 1200, 4, 800),
        windowOf(true, 6, 0, 2, 0),       windowOf(true, 1, 2359, 7, 2359),
    };
    return all;
}

TEST(GapTallyTest, WeekWindowCountsWhatTheMarketWindowContains)
{
    // The window's arithmetic against its minute-by-minute test, over stretches across weeks and before the
    // first day of the day count.
    std::mt19937 random(19);
    std::uniform_int_distribution<std::int64_t> starts(-30 * 1440, 60 * 1440);
    std::uniform_int_distribution<std::int64_t> lengths(0, 20 * 1440);
    for (const MarketWindow& market : windows()) {
        const WeekWindow week(market);
        for (int trial = 0; trial < 40; ++trial) {
            const std::int64_t from = Monday * 1440 + starts(random);
            const std::int64_t to = from + lengths(random);
            std::int64_t inside = 0;
            std::int64_t firstInside = -1;
            std::int64_t lastInside = -1;
            for (std::int64_t m = from; m < to; ++m) {
                if (market.containsStamp(m)) {
                    ++inside;
                    firstInside = firstInside < 0 ? m : firstInside;
                    lastInside = m;
                }
            }
            const std::string what = "window " + std::to_string(market.openDay) + "/" +
                                     std::to_string(market.openHhmm) + " from " + std::to_string(from) + " to " +
                                     std::to_string(to);
            ASSERT_EQ(week.minutesBetween(from, to), inside) << what;
            if (inside > 0) {
                EXPECT_EQ(week.nextOpenMinute(from), firstInside) << what;
                EXPECT_EQ(week.lastCloseBefore(to), lastInside + 1) << what;
            }
        }
    }
}

struct TallyCase
{
    const char* name;
    std::vector<std::int64_t> lines; ///< stamps in the order the walk takes them
    std::int32_t longerThan;
    std::vector<SourceGap> expected;
};

TEST(GapTallyTest, ReportsHolesLongerThanTheThresholdInsideTheWindow)
{
    const std::int64_t tue10 = minuteOf(Monday + 1, 10, 0);
    const std::int64_t fri = Monday + 4;
    const std::vector<TallyCase> cases{
        {"thirty missing minutes are not longer than thirty", {tue10, tue10 + 31}, 30, {}},
        {"thirty-one are", {tue10, tue10 + 32}, 30, {{tue10 + 1, tue10 + 32, 31, tue10, tue10 + 32}}},
        {"a minute apart never", {tue10, tue10 + 1, tue10 + 2}, 1, {}},
        {"the threshold is the setting's", {tue10, tue10 + 7}, 5, {{tue10 + 1, tue10 + 7, 6, tue10, tue10 + 7}}},
        // Friday 16:00 to Sunday 17:30: the weekend is outside the window, 60 + 30 minutes are inside, and the
        // hole's ends are where the window has them.
        {"a weekend counts only its window minutes",
         {minuteOf(fri, 15, 59), minuteOf(fri + 2, 17, 30)},
         30,
         {{minuteOf(fri, 16, 0), minuteOf(fri + 2, 17, 30), 90, minuteOf(fri, 15, 59), minuteOf(fri + 2, 17, 30)}}},
        {"a plain weekend is no hole", {minuteOf(fri, 16, 59), minuteOf(fri + 2, 17, 0)}, 30, {}},
        // A line earlier than the last one taken is no new start: the hole runs from the latest line.
        {"an earlier line does not open a hole",
         {tue10 + 100, tue10 + 50, tue10 + 101, tue10 + 200},
         30,
         {{tue10 + 102, tue10 + 200, 98, tue10 + 101, tue10 + 200}}},
        {"several holes in order",
         {tue10, tue10 + 40, tue10 + 41, tue10 + 141},
         30,
         {{tue10 + 1, tue10 + 40, 39, tue10, tue10 + 40}, {tue10 + 42, tue10 + 141, 99, tue10 + 41, tue10 + 141}}},
    };
    for (const auto& c : cases) {
        GapTally tally(WeekWindow(windowOf(true, 1, 1700, 6, 1700)), c.longerThan);
        for (const std::int64_t stamp : c.lines) {
            tally.line(stamp);
        }
        EXPECT_EQ(tally.gaps(), c.expected) << c.name;
    }
}

TEST(GapTallyTest, AHoleHoldsTheBucketsBetweenItsLines)
{
    const std::int64_t tue10 = minuteOf(Monday + 1, 10, 0);
    GapTally tally(WeekWindow{}, 30);
    tally.line(tue10);
    tally.line(tue10 + 10);
    tally.fillBar(tue10 + 15);
    tally.line(tue10 + 100);
    ASSERT_EQ(tally.gaps().size(), 1U);
    const SourceGap& gap = tally.gaps()[0];
    // A bucket starting on either line holds that line, so it is no bar of the hole.
    EXPECT_FALSE(gap.holds(tue10 + 10));
    EXPECT_TRUE(gap.holds(tue10 + 11));
    EXPECT_TRUE(gap.holds(tue10 + 99));
    EXPECT_FALSE(gap.holds(tue10 + 100));
    EXPECT_EQ(tally.fillStarts(), std::vector<std::int64_t>{tue10 + 15});
}

} // namespace
} // namespace velmora
