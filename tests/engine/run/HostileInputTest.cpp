// Source files and settings that push the walk to its limits: huge repeat counts, gaps of centuries, dates at
// the ends of the calendar, shifts that leave it, and lines no person would write.
#include "engine/bars/BarBuilder.h"
#include "engine/bars/TimeframeEntry.h"
#include "engine/run/ConversionRun.h"
#include "support/RecordingHost.h"
#include "support/TempDir.h"

#include <algorithm>
#include <gtest/gtest.h>

namespace velmora {
namespace {

using test::readBytes;
using test::RecordingHost;
using test::TempDir;

struct HostileRun
{
    TempDir dir;
    RecordingHost host;
    FixedClock clock{{2026, 12, 8}, 1000};
    RunState state;
    RunRequest request;

    explicit HostileRun(std::string_view timeframes)
    {
        request.settings.timeframes = std::string(timeframes);
        request.settings.marketWindow = false;
        request.settings.overwriteWithoutAsking = true;
    }
    RunOutcome run(std::string_view source)
    {
        request.files = {dir.write("X_2min.txt", source).string()};
        ConversionRun conversion(host, clock, state);
        conversion.setHookSeed(7);
        return conversion.execute(request);
    }
    std::string output(std::string_view name) const { return readBytes(dir.file(name)); }
    std::vector<std::string> lines(std::string_view name) const
    {
        std::vector<std::string> rows;
        const std::string text = output(name);
        for (std::size_t at = 0; at < text.size();) {
            const std::size_t end = text.find("\r\n", at);
            rows.push_back(text.substr(at, end - at));
            at = end + 2;
        }
        return rows;
    }
    bool logged(std::string_view text) const
    {
        return std::any_of(host.log.begin(), host.log.end(),
                           [text](const std::string& e) { return e.find(text) != std::string::npos; });
    }
};

TEST(HostileInputTest, SkipAheadPassesWholeBucketsOnly)
{
    BarKind kind = BarKind::Minutes;
    TimeframeEntry plain = TimeframeEntry::ResolveEntry("5", kind);
    EXPECT_EQ(plain.skipAhead(12), 10);
    EXPECT_EQ(plain.skipAhead(4), 0);

    // Widths 1, 1, 1 then a gap of 2: a cycle of 5 minutes.
    TimeframeEntry sequence = TimeframeEntry::ResolveEntry("1*3-2", kind);
    EXPECT_EQ(sequence.skipAhead(5LL * 1'000'000'000 + 4), 5LL * 1'000'000'000 + 3);
    EXPECT_TRUE(sequence.currentIsGap());
    EXPECT_EQ(sequence.position(), 3);
    EXPECT_EQ(sequence.skipAhead(1), 0);

    TimeframeEntry huge = TimeframeEntry::ResolveEntry("240*2000000000-60", kind);
    EXPECT_EQ(huge.skipAhead(240LL * 1'999'999'999), 240LL * 1'999'999'999);
    EXPECT_EQ(huge.position(), 1'999'999'999);
    huge.NextWidth();
    EXPECT_TRUE(huge.currentIsGap());
}

TEST(HostileInputTest, HugeRepeatCountRunsLikeItsWidth)
{
    HostileRun r("240*2000000000-60");
    ASSERT_EQ(r.run("2009/01/05,00:00,1,2,0.5,1.5\r\n2009/01/05,05:00,1,3,0.5,2\r\n"), RunOutcome::Completed);
    EXPECT_EQ(r.lines("X_240x2000000000-60min.txt"),
              (std::vector<std::string>{"2009/01/04,21:00:00,1,2.0,0.5,1.5", "2009/01/05,01:00:00,1.5,1.5,1.5,1.5",
                                        "2009/01/05,05:00:00,1,3.0,0.5,2"}));
}

TEST(HostileInputTest, CenturiesBetweenTwoLinesCostNoWalkAndNoFill)
{
    // Without fill, or after the fill's year, empty buckets are passed in one step: 4000 years of 1-minute
    // buckets would otherwise be two billion steps.
    HostileRun plain("1");
    plain.request.settings.fillGaps = false;
    ASSERT_EQ(plain.run("2009/01/05,00:00,1,1,1,1\r\n5983/01/05,00:00,2,2,2,2\r\n"), RunOutcome::Completed);
    EXPECT_EQ(plain.lines("X_1min.txt"),
              (std::vector<std::string>{"2009/01/05,00:00:00,1,1,1,1", "5983/01/05,00:00:00,2,2,2,2"}));

    HostileRun filled("60");
    ASSERT_EQ(filled.run("2009/01/05,00:00,1,1,1,1\r\n5983/01/05,00:00,2,2,2,2\r\n"), RunOutcome::Completed);
    const auto rows = filled.lines("X_1hour.txt");
    ASSERT_EQ(rows.size(), 366U * 24 + 1);
    EXPECT_EQ(rows.front(), "2009/01/05,00:00:00,1,1,1,1");
    EXPECT_EQ(rows[rows.size() - 2], "2010/01/05,23:00:00,1,1,1,1");
    EXPECT_EQ(rows.back(), "5983/01/05,00:00:00,2,2,2,2");
}

TEST(HostileInputTest, FillStopsAYearAfterTheLastLine)
{
    HostileRun r("1440");
    ASSERT_EQ(r.run("2009/01/05,00:00,1,1,1,1\r\n2010/03/05,00:00,2,2,2,2\r\n"), RunOutcome::Completed);
    const auto rows = r.lines("X_Daily.txt");
    ASSERT_EQ(rows.size(), 368U);
    EXPECT_EQ(rows[366], "2010/01/05,17:00:00,1,1,1,1");
    EXPECT_EQ(rows[367], "2010/03/04,17:00:00,2,2,2,2");
}

TEST(HostileInputTest, DatesBeyondTheMinuteStampsReadAsUnreadable)
{
    HostileRun r("5");
    ASSERT_EQ(r.run("5983/01/05,00:00,1,1,1,1\r\n9999/12/31,23:59,2,2,2,2\r\n"), RunOutcome::Completed);
    EXPECT_EQ(r.lines("X_5min.txt"), std::vector<std::string>{"5983/01/05,00:00:00,1,1,1,1"});
    EXPECT_TRUE(r.logged("9999/12/31,23:59,2,2,2,2\r\n" + std::string(NotInFormat)));
}

TEST(HostileInputTest, DatesBefore1899CarryTheirOwnDay)
{
    HostileRun r("5");
    r.request.settings.fillGaps = false;
    ASSERT_EQ(r.run("1899/12/29,23:58,1,1,1,1\r\n1899/12/30,00:03,2,2,2,2\r\n1601/03/01,06:07,3,3,3,3\r\n"),
              RunOutcome::Completed);
    EXPECT_EQ(r.lines("X_5min.txt"),
              (std::vector<std::string>{"1899/12/29,23:55:00,1,1,1,1", "1899/12/30,00:00:00,2,2,2,2"}));
    HostileRun early("60");
    early.request.settings.labelling = BarLabelling::ByEnd;
    ASSERT_EQ(early.run("1601/03/01,06:07,3,3,3,3\r\n"), RunOutcome::Completed);
    EXPECT_EQ(early.lines("X_1hour.txt"), std::vector<std::string>{"1601/03/01,07:00:00,3,3,3,3"});
}

TEST(HostileInputTest, ShiftsThatLeaveTheCalendarEndTheRunBeforeWriting)
{
    struct Case
    {
        const char* source;
        const char* zone;
        bool summer;
    };
    const Case cases[] = {
        {"0001/01/01,12:00,1,1,1,1\r\n", "-24", false},       // a day before the year 1
        {"2009/01/05,00:00,1,1,1,1\r\n", "200000000", false}, // hours beyond the year 9999
        {"5983/01/05,00:00,1,1,1,1\r\n", "-2147483648", false},
        {"2009/01/05,00:00,1,1,1,1\r\n", "0", true}, // a summer shift of two billion minutes
    };
    for (const Case& c : cases) {
        HostileRun r("5");
        r.request.timeZoneBox = c.zone;
        if (c.summer) {
            r.request.summer = {true, {"2009/01/01"}, {"2009/02/01"}, {"-2000000000"}};
        }
        EXPECT_EQ(r.run(c.source), RunOutcome::Failed) << c.source << c.zone;
        ASSERT_EQ(r.host.messages.size(), 1U);
        EXPECT_NE(r.host.messages[0].find("9999/12/31 の範囲を外れます"), std::string::npos);
        EXPECT_FALSE(std::filesystem::exists(r.dir.file("X_5min.txt")));
    }
}

TEST(HostileInputTest, MonstrousLinesAreSkippedAndLoggedShort)
{
    std::string source = "2009/01/05,00:00,1,1,1,1\r\n";
    source += std::string(100'000'000, 'x') + ",1,1,1,1,1\r\n"; // a line of a hundred megabytes
    source += "2009/01/05,00:01,2,2,2,2";
    for (int i = 0; i < 50'000; ++i) {
        source += ",9"; // tens of thousands of fields: the ones after the close are not looked at
    }
    source += "\r\n\xff\xfe\x80,\x01\x02\x80,1,1,1,1\r\n";
    source += "2009/01/05,00:02,3,3,3,3\r\n";
    source += "2009/01/05,00:03,4,4,4,4";
    source += '\0'; // a zero byte ends the text
    source += "\r\n2009/01/05,00:04,5,5,5,5\r\n";
    HostileRun r("1");
    ASSERT_EQ(r.run(source), RunOutcome::Completed);
    EXPECT_EQ(r.lines("X_1min.txt"),
              (std::vector<std::string>{"2009/01/05,00:00:00,1,1,1,1", "2009/01/05,00:01:00,2,2,2,2",
                                        "2009/01/05,00:02:00,3,3,3,3", "2009/01/05,00:03:00,4,4,4,4"}));
    const std::string expected = std::string(256, 'x') + "...\r\n" + std::string(NotInFormat);
    EXPECT_TRUE(std::find(r.host.log.begin(), r.host.log.end(), expected) != r.host.log.end());
    EXPECT_TRUE(r.logged(std::string("\xff\xfe\x80,\x01\x02\x80,1,1,1,1\r\n") + std::string(NotInFormat)));
}

} // namespace
} // namespace velmora
