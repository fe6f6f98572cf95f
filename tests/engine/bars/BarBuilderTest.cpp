#include "engine/bars/BarBuilder.h"

#include "engine/run/ConversionRun.h"
#include "support/RecordingHost.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

namespace velmora {
namespace {

using test::readBytes;
using test::RecordingHost;
using test::TempDir;

const char* const WorkedExample = "2008/01/08,09:00,1.4700,1.4710,1.4695,1.4705,10\r\n"
                                  "2008/01/08,09:01,1.4705,1.4712,1.4701,1.4702,12\r\n"
                                  "2008/01/08,09:03,1.4702,1.4702,1.4690,1.4691,8\r\n"
                                  "2008/01/08,09:11,1.4691,1.4720,1.4691,1.4719,20\r\n";

/// One run over real files in a temporary folder, with the defaults of the window unless a test changes them.
struct RunFixture
{
    TempDir dir;
    RecordingHost host;
    FixedClock clock{{2026, 12, 8}};
    RunState state;
    RunRequest request;

    RunFixture() { request.settings.overwriteWithoutAsking = true; }

    std::string convert(std::string_view source, std::string_view entries, std::string_view output)
    {
        request.settings.timeframes = std::string(entries);
        request.files = {dir.write("EURUSD_1min_2008.txt", source).string()};
        ConversionRun run(host, clock, state);
        run.setHookSeed(1);
        outcome = run.execute(request);
        return readBytes(dir.file(output));
    }

    RunOutcome outcome = RunOutcome::NotStarted;
};

TEST(BarBuilderTest, WorkedExampleInEveryVariant)
{
    struct Case
    {
        BarLabelling labelling;
        const char* timeZone;
        bool fill;
        const char* expected;
    };
    const Case cases[] = {
        {BarLabelling::ByStart, "0", true,
         "2008/01/08,09:00:00,1.4700,1.4712,1.4690,1.4691\r\n2008/01/08,09:05:00,1.4691,1.4691,1.4691,1.4691\r\n"
         "2008/01/08,09:10:00,1.4691,1.4720,1.4691,1.4719\r\n"},
        {BarLabelling::ByEnd, "0", true,
         "2008/01/08,09:05:00,1.4700,1.4712,1.4690,1.4691\r\n2008/01/08,09:10:00,1.4691,1.4691,1.4691,1.4691\r\n"
         "2008/01/08,09:15:00,1.4691,1.4720,1.4691,1.4719\r\n"},
        {BarLabelling::ByStart, "7", true,
         "2008/01/08,16:00:00,1.4700,1.4712,1.4690,1.4691\r\n2008/01/08,16:05:00,1.4691,1.4691,1.4691,1.4691\r\n"
         "2008/01/08,16:10:00,1.4691,1.4720,1.4691,1.4719\r\n"},
        {BarLabelling::ByStart, "0", false,
         "2008/01/08,09:00:00,1.4700,1.4712,1.4690,1.4691\r\n2008/01/08,09:10:00,1.4691,1.4720,1.4691,1.4719\r\n"},
    };
    for (const Case& c : cases) {
        RunFixture run;
        run.request.settings.labelling = c.labelling;
        run.request.timeZoneBox = c.timeZone;
        run.request.settings.fillGaps = c.fill;
        EXPECT_EQ(run.convert(WorkedExample, "5", "EURUSD_5min_2008.txt"), c.expected)
            << "labelling " << static_cast<int>(c.labelling) << " zone " << c.timeZone << " fill " << c.fill;
        EXPECT_EQ(run.outcome, RunOutcome::Completed);
    }
}

TEST(BarBuilderTest, BucketEdgesAndTheLastBar)
{
    RunFixture run;
    // 09:05 is the end of the first bucket and so opens the second; nothing follows the last line's bucket.
    const char* source = "2008/01/08,09:00,1,2,0.5,1.5\r\n"
                         "2008/01/08,09:05,3,4,2.5,3.5\r\n";
    EXPECT_EQ(run.convert(source, "5", "EURUSD_5min_2008.txt"),
              "2008/01/08,09:00:00,1,2.0,0.5,1.5\r\n2008/01/08,09:05:00,3,4.0,2.5,3.5\r\n");
}

TEST(BarBuilderTest, TicksWithSecondsShareTheirMinute)
{
    RunFixture run;
    const char* source = "2008/01/08,09:00:05,1.1,1.1,1.1,1.1\r\n"
                         "2008/01/08,09:00:59,1.3,1.3,1.3,1.3\r\n"
                         "2008/01/08,09:01:00,1.2,1.2,1.2,1.2\r\n";
    EXPECT_EQ(run.convert(source, "01", "EURUSD_01min_2008.txt"),
              "2008/01/08,09:00:00,1.1,1.3,1.1,1.3\r\n2008/01/08,09:01:00,1.2,1.2,1.2,1.2\r\n");
}

std::string weekOfDailyLines()
{
    // Monday 2008-01-07 to Friday 2008-01-11, one line each hour of every day, the price the day's number.
    std::string text;
    for (int day = 7; day <= 11; ++day) {
        for (int hour = 0; hour < 24; hour += 6) {
            char line[64];
            std::snprintf(line, sizeof line, "2008/01/%02d,%02d:00,%d.0,%d.0,%d.0,%d.0\r\n", day, hour, day, day, day,
                          day);
            text += line;
        }
    }
    return text;
}

TEST(BarBuilderTest, DailyBarsFollowTheMarketWindowForBothLabellings)
{
    RunFixture start;
    start.request.settings.dropTimeInDaily = true;
    const std::string byStart = start.convert(weekOfDailyLines(), "1440", "EURUSD_Daily_2008.txt");
    // Buckets start at 17:00 on Sunday 6th to Friday 11th; the Friday bucket lies outside the window.
    EXPECT_EQ(byStart, "2008/01/06,7.0,7.0,7.0,7.0\r\n2008/01/07,7.0,8.0,7.0,8.0\r\n2008/01/08,8.0,9.0,8.0,9.0\r\n"
                       "2008/01/09,9.0,10.0,9.0,10.0\r\n2008/01/10,10.0,11.0,10.0,11.0\r\n");

    RunFixture end;
    end.request.settings.dropTimeInDaily = true;
    end.request.settings.labelling = BarLabelling::ByEnd;
    const std::string byEnd = end.convert(weekOfDailyLines(), "1440", "EURUSD_Daily_2008.txt");
    EXPECT_EQ(byEnd, "2008/01/07,7.0,7.0,7.0,7.0\r\n2008/01/08,7.0,8.0,7.0,8.0\r\n2008/01/09,8.0,9.0,8.0,9.0\r\n"
                     "2008/01/10,9.0,10.0,9.0,10.0\r\n2008/01/11,10.0,11.0,10.0,11.0\r\n");
    EXPECT_EQ(end.state.kind, BarKind::Daily);
}

TEST(BarBuilderTest, GapsOfASequenceAreWalkedButNeverWritten)
{
    RunFixture run;
    run.request.settings.marketWindow = false;
    run.request.settings.cutTime = "0:00";
    // -60+120: a one-hour gap from 00:00, a two-hour bar from 01:00, a gap from 03:00, a bar from 04:00.
    const char* source = "2008/01/08,00:30,1,1,1,1\r\n"
                         "2008/01/08,01:30,2,2,2,2\r\n"
                         "2008/01/08,03:30,3,3,3,3\r\n"
                         "2008/01/08,04:30,4,4,4,4\r\n";
    EXPECT_EQ(run.convert(source, "-60+120", "EURUSD_-60+120min_2008.txt"),
              "2008/01/08,01:00:00,2,2,2,2\r\n2008/01/08,04:00:00,4,4,4,4\r\n");
}

TEST(BarBuilderTest, FillBarsRepeatTheLastCloseOnlyAfterTheFirstLine)
{
    RunFixture run;
    run.request.settings.marketWindow = false;
    const char* source = "2008/01/08,09:02,1.5,1.6,1.4,1.55\r\n"
                         "2008/01/08,09:17,1.7,1.8,1.6,1.75\r\n";
    EXPECT_EQ(run.convert(source, "5", "EURUSD_5min_2008.txt"),
              "2008/01/08,09:00:00,1.5,1.60,1.40,1.55\r\n2008/01/08,09:05:00,1.55,1.55,1.55,1.55\r\n"
              "2008/01/08,09:10:00,1.55,1.55,1.55,1.55\r\n2008/01/08,09:15:00,1.7,1.80,1.60,1.75\r\n");
}

TEST(BarBuilderTest, LinesOutOfOrderOrUnreadableAreSkippedAndLogged)
{
    RunFixture run;
    run.request.settings.marketWindow = false;
    const char* source = "Date,Time,Open,High,Low,Close\r\n"
                         "2008/01/08,09:00,1,1,1,1\r\n"
                         "2008/01/08,09:10,2,2,2,2\r\n"
                         "2008/01/08,08:00,9,9,9,9\r\n"
                         "2008/01/08,0910,9,9,9,9\r\n"
                         "2008/01/08,09:11,3,3,3,3\r\n";
    run.request.settings.fillGaps = false;
    EXPECT_EQ(run.convert(source, "5", "EURUSD_5min_2008.txt"),
              "2008/01/08,09:00:00,1,1,1,1\r\n2008/01/08,09:10:00,2,3,2,3\r\n");
    const std::vector<std::string> expectedRows = {
        "Date,Time,Open,High,Low,Close",
        NotInFormat.data(),
        "2008/01/08,08:00,9,9,9,9",
        OutOfOrder.data(),
        "2008/01/08,0910,9,9,9,9",
        NotInFormat.data(),
        "EURUSD_5min_2008.txt を書き出しました",
        "処理が完了しました",
    };
    auto rows = run.host.logRows();
    ASSERT_EQ(rows.size(), expectedRows.size() + 1);
    EXPECT_TRUE(std::equal(expectedRows.begin(), expectedRows.end(), rows.begin()));
    EXPECT_EQ(run.host.messages.size(), 1U) << "the time reader reports the text without ':'";
}

TEST(BarBuilderTest, AFileWithoutUsableLinesWritesAnEmptyFileAndTheRunGoesOn)
{
    RunFixture run;
    EXPECT_EQ(run.convert("", "5", "EURUSD_5min_2008.txt"), "");
    EXPECT_EQ(run.outcome, RunOutcome::Completed);
    EXPECT_EQ(run.host.log.front(), "EURUSD_1min_2008.txt には変換できる行がありません");

    RunFixture junk;
    EXPECT_EQ(junk.convert("a,b\r\nc,d\r\n", "5", "EURUSD_5min_2008.txt"), "");
    EXPECT_EQ(junk.outcome, RunOutcome::Completed);
}

TEST(BarBuilderTest, MarketWindowEdges)
{
    MarketWindow window{true, 1, 1700, 6, 1700};
    // 2008-01-06 is a Sunday, day 39453.
    const std::int64_t sunday = 39453LL * 1440;
    EXPECT_FALSE(window.containsStamp(sunday + 16 * 60 + 59));
    EXPECT_TRUE(window.containsStamp(sunday + 17 * 60));
    EXPECT_TRUE(window.containsStamp(sunday + 5 * 1440 + 16 * 60 + 59));
    EXPECT_FALSE(window.containsStamp(sunday + 5 * 1440 + 17 * 60));
    EXPECT_FALSE(window.containsStamp(sunday + 6 * 1440 + 12 * 60));
    EXPECT_TRUE(window.Contains(39453.0 + 17.0 / 24.0));

    MarketWindow oneDay{true, 3, 900, 3, 1000};
    EXPECT_TRUE(oneDay.containsStamp(sunday + 2 * 1440 + 9 * 60));
    EXPECT_FALSE(oneDay.containsStamp(sunday + 2 * 1440 + 10 * 60));
    EXPECT_EQ(weekdayOfDay(0), 7);
    EXPECT_EQ(weekdayOfDay(39453), 1);
}

TEST(BarBuilderTest, WindowMovesWithEndLabels)
{
    ConversionSettings settings;
    settings.labelling = BarLabelling::ByEnd;
    BarKind kind = BarKind::Minutes;
    const MarketWindow minutes = BarBuilder::PrepareEntry(settings, TimeframeEntry::ResolveEntry("60", kind));
    EXPECT_EQ(minutes.openHhmm, 1800);
    EXPECT_EQ(minutes.openDay, 1);
    settings.marketCloseTime = "23:30";
    const MarketWindow wrapped = BarBuilder::PrepareEntry(settings, TimeframeEntry::ResolveEntry("60", kind));
    EXPECT_EQ(wrapped.closeHhmm, 30);
    EXPECT_EQ(wrapped.closeDay, 6);
    const MarketWindow daily = BarBuilder::PrepareEntry(settings, TimeframeEntry::ResolveEntry("1440", kind));
    EXPECT_EQ(daily.openDay, 2);
    EXPECT_EQ(daily.closeDay, 7);
    EXPECT_EQ(daily.openHhmm, 1700);
}

TEST(BarBuilderTest, SummerShiftUsesTheUnshiftedLabel)
{
    RunFixture run;
    run.request.summer.enabled = true;
    run.request.summer.starts = {"2008/01/08 9:05:00"};
    run.request.summer.ends = {"2008/01/08 9:10:00"};
    run.request.summer.shifts = {"60"};
    EXPECT_EQ(run.convert(WorkedExample, "5", "EURUSD_5min_2008.txt"),
              "2008/01/08,09:00:00,1.4700,1.4712,1.4690,1.4691\r\n2008/01/08,10:05:00,1.4691,1.4691,1.4691,1.4691\r\n"
              "2008/01/08,09:10:00,1.4691,1.4720,1.4691,1.4719\r\n");
}

} // namespace
} // namespace velmora
