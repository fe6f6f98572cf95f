#include "engine/run/ChartBars.h"

#include "engine/output/BarFormats.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

namespace velmora {
namespace {

using test::TempDir;

// 2019-08-19 as a day count from 1899-12-30, in minutes.
constexpr std::int64_t Monday = 43'696 * 1440;

TEST(ChartBarsTest, ReadsTheLayoutsBarFilesAndSourcesAreWrittenIn)
{
    struct Case
    {
        const char* line;
        std::int64_t minute; ///< -1: not read
        double close;
    };
    const Case cases[] = {
        {"2019/08/19,10:05:00,1.1,1.2,1.0,1.15", Monday + 605, 1.15},
        {"2019-08-19,10:05,1.1,1.2,1.0,1.15,123", Monday + 605, 1.15},
        {"2019.08.19,10:05,1.1,1.2,1.0,1.15", Monday + 605, 1.15},
        {"20190819,10:05:00,1.1,1.2,1.0,1.15", Monday + 605, 1.15},
        {"2019/08/19,1.1,1.2,1.0,1.15", Monday, 1.15}, // a daily bar without its time
        {"2019/8/9,10:05,1.1,1.2,1.0,1.15", Monday - 10 * 1440 + 605, 1.15},
        {"Date,Time,Open,High,Low,Close", -1, 0},
        {"2019/08/19,10:05,1.1,1.2,1.0", -1, 0},
        {"2019/08/19,10:05,1.1,1.2,1.0,x", -1, 0},
        {"2019/02/30,10:05,1.1,1.2,1.0,1.15", -1, 0},
        {"2019//08/19,10:05,1.1,1.2,1.0,1.15", -1, 0},
    };
    for (const auto& c : cases) {
        const auto bars = readChartBars(std::string(c.line) + "\r\n");
        if (c.minute < 0) {
            EXPECT_TRUE(bars.empty()) << c.line;
            continue;
        }
        ASSERT_EQ(bars.size(), 1U) << c.line;
        EXPECT_EQ(bars[0].minute, c.minute) << c.line;
        EXPECT_EQ(bars[0].close, c.close) << c.line;
    }
}

TEST(ChartBarsTest, MarksFlatBarsAtThePreviousCloseAsFillAndPassesOverEarlierLines)
{
    const auto bars = readChartBars("2019/08/19,10:00,1.1,1.3,1.0,1.2\n"
                                    "2019/08/19,10:05,1.2,1.2,1.2,1.2\n"     // a fill bar
                                    "2019/08/19,10:00,1.2,1.2,1.2,1.2\n"     // earlier: passed over
                                    "2019/08/19,10:10,1.25,1.25,1.25,1.25\n" // flat, but not at the close before
                                    "2019/08/19,10:15,1.25,1.25,1.25,1.25"); // no line break at the end
    ASSERT_EQ(bars.size(), 4U);
    EXPECT_EQ((std::vector<bool>{bars[0].fill, bars[1].fill, bars[2].fill, bars[3].fill}),
              (std::vector<bool>{false, true, false, true}));
}

// An MT4 history file opens as the bar file it was written from; a file named .hst that is not one is read as
// text, which gives no bar.
TEST(ChartBarsTest, AHistoryFileGivesTheBarsOfItsTextFile)
{
    const std::string text = "2019/08/19,10:00:00,1.1,1.3,1.0,1.2,5\r\n"
                             "2019/08/19,10:05:00,1.2,1.2,1.2,1.2,0\r\n"
                             "2019/08/19,10:10:00,1.25,1.26,1.24,1.25,7\r\n";
    const std::string hst = writeInFormat(text, {OutputFormat::Hst, "EURUSD", -1, 5});
    const auto bars = readChartFile("EURUSD5.hst", hst);
    const auto expected = readChartBars(text);
    ASSERT_EQ(bars.size(), expected.size());
    for (std::size_t i = 0; i < bars.size(); ++i) {
        EXPECT_EQ(std::tie(bars[i].minute, bars[i].open, bars[i].high, bars[i].low, bars[i].close, bars[i].fill),
                  std::tie(expected[i].minute, expected[i].open, expected[i].high, expected[i].low, expected[i].close,
                           expected[i].fill));
    }
    EXPECT_EQ(bars[0].minute, Monday + 600);
    EXPECT_TRUE(readChartFile("EURUSD5.hst", "not a history file").empty());
    EXPECT_EQ(readChartFile("EURUSD_5min.txt", text).size(), 3U);
}

// A source in another layout is converted for the chart as a run reads it: the layout its first lines show.
TEST(ChartBarsTest, ASourceInAnotherLayoutGivesTheBarsOfTheUsualOne)
{
    const TempDir dir;
    const ConversionSettings settings;
    const auto usual = convertForChart(dir.write("U_1min.txt", "2019/08/19,10:00,1.1,1.3,1.0,1.2\r\n"
                                                               "2019/08/19,10:07,1.2,1.25,1.15,1.22\r\n"
                                                               "2019/08/19,10:16,1.22,1.3,1.2,1.28\r\n"),
                                       settings, "5");
    const auto dayFirst = convertForChart(dir.write("D_1min.csv", "19.08.2019;10:00;1,1;1,3;1,0;1,2\r\n"
                                                                  "19.08.2019;10:07;1,2;1,25;1,15;1,22\r\n"
                                                                  "19.08.2019;10:16;1,22;1,3;1,2;1,28\r\n"),
                                          settings, "5");
    ASSERT_EQ(usual.size(), 4U);
    ASSERT_EQ(dayFirst.size(), usual.size());
    for (std::size_t i = 0; i < usual.size(); ++i) {
        EXPECT_EQ(dayFirst[i].minute, usual[i].minute) << i;
        EXPECT_EQ(dayFirst[i].close, usual[i].close) << i;
        EXPECT_EQ(dayFirst[i].fill, usual[i].fill) << i;
    }
}

} // namespace
} // namespace velmora
