#include "engine/bars/TimeframeEntry.h"

#include "platform/RunError.h"

#include <gtest/gtest.h>
#include <numeric>
#include <tuple>

namespace velmora {
namespace {

std::vector<std::int32_t> expand(std::span<const WidthRun> runs)
{
    std::vector<std::int32_t> widths;
    for (const WidthRun& run : runs) {
        widths.insert(widths.end(), static_cast<std::size_t>(run.count), run.width);
    }
    return widths;
}

std::string runErrorOf(std::string_view text, BarKind kind = BarKind::Minutes)
{
    try {
        TimeframeEntry::ResolveEntry(text, kind);
    } catch (const RunError& error) {
        return error.what();
    }
    return "(accepted)";
}

TEST(TimeframeEntryTest, DefaultListGivesThreeMinuteEntriesAndADailyOne)
{
    const auto entries = splitTimeframeList("5, 60, 240, 1440");
    ASSERT_EQ(entries, (std::vector<std::string>{"5", "60", "240", "1440"}));
    BarKind kind = BarKind::Daily;
    std::vector<std::pair<bool, std::int32_t>> resolved;
    for (const auto& text : entries) {
        const auto entry = TimeframeEntry::ResolveEntry(text, kind);
        EXPECT_FALSE(entry.isSequence());
        resolved.emplace_back(entry.isDaily(), entry.currentWidth());
    }
    EXPECT_EQ(resolved,
              (std::vector<std::pair<bool, std::int32_t>>{{false, 5}, {false, 60}, {false, 240}, {true, 1440}}));
    EXPECT_EQ(kind, BarKind::Daily);
}

TEST(TimeframeEntryTest, OnlyTheExactDailyMarkerMakesDailyBars)
{
    for (const char* text : {"01440", "+1440", " 1440"}) {
        BarKind kind = BarKind::Daily;
        const auto entry = TimeframeEntry::ResolveEntry(text, kind);
        EXPECT_FALSE(entry.isDaily()) << text;
        EXPECT_EQ(kind, BarKind::Minutes) << text;
        EXPECT_EQ(entry.currentWidth(), 1440) << text;
    }
}

TEST(TimeframeEntryTest, SequenceInheritsTheKindLeftBeforeIt)
{
    BarKind kind = BarKind::Minutes;
    TimeframeEntry::ResolveEntry("1440", kind);
    EXPECT_TRUE(TimeframeEntry::ResolveEntry("-60+240", kind).isDaily());
    EXPECT_EQ(kind, BarKind::Daily);
    TimeframeEntry::ResolveEntry("60", kind);
    EXPECT_FALSE(TimeframeEntry::ResolveEntry("-60+240", kind).isDaily());
    // A run that starts with a sequence takes the kind the previous run (or the settings) left.
    BarKind fromLastRun = BarKind::Daily;
    EXPECT_TRUE(TimeframeEntry::ResolveEntry("-60+240", fromLastRun).isDaily());
}

TEST(TimeframeEntryTest, SequencePiecesExpandInOrder)
{
    const std::vector<std::pair<std::string, std::vector<std::int32_t>>> cases = {
        {"-60+240", {-60, 240}},
        {"240*5-60", {240, 240, 240, 240, 240, -60}},
        {"5*0-10", {-10}},
        {"1440*5-2880", {1440, 1440, 1440, 1440, 1440, -2880}},
        {"+240*3-5", {240, 240, 240, -5}},
        {"5*2*9-1", {5, 5, -1}}, // parts after the second "*" do not count
        {"7*0+5*0-1", {-1}},     // zero counts add nothing
    };
    for (const auto& [text, widths] : cases) {
        EXPECT_EQ(expand(parseWidthSequence(text)), widths) << text;
    }
}

TEST(TimeframeEntryTest, NextWidthCyclesAndReportsGaps)
{
    BarKind kind = BarKind::Minutes;
    auto entry = TimeframeEntry::ResolveEntry("240*2-60", kind);
    std::vector<std::pair<std::int32_t, bool>> seen;
    std::vector<std::int64_t> positions;
    for (int i = 0; i < 7; ++i) {
        seen.emplace_back(entry.currentWidth(), entry.currentIsGap());
        positions.push_back(entry.position());
        entry.NextWidth();
    }
    EXPECT_EQ(seen, (std::vector<std::pair<std::int32_t, bool>>{
                        {240, false}, {240, false}, {60, true}, {240, false}, {240, false}, {60, true}, {240, false}}));
    EXPECT_EQ(positions, (std::vector<std::int64_t>{0, 1, 2, 0, 1, 2, 0}));

    auto gapFirst = TimeframeEntry::ResolveEntry("-60+240", kind);
    EXPECT_TRUE(gapFirst.currentIsGap());
    EXPECT_EQ(gapFirst.currentWidth(), 60);
    gapFirst.NextWidth();
    EXPECT_FALSE(gapFirst.currentIsGap());
    EXPECT_EQ(gapFirst.currentWidth(), 240);
}

TEST(TimeframeEntryTest, TextsThatAreNotWholeNumbersEndTheRun)
{
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"", "'' は整数ではありません"},
        {"abc", "'abc' は整数ではありません"},
        {"5.5", "'5.5' は整数ではありません"},
        {"240*5+60", "'240*5+60' は整数ではありません"}, // no "-": a plain entry
        {"-60+abc", "'+abc' は整数ではありません"},
        {"*5-1", "'' は整数ではありません"},
        {"60*-1", "'' は整数ではありません"},
        {"5-", "'-' は整数ではありません"},
    };
    for (const auto& [text, message] : cases) {
        EXPECT_EQ(runErrorOf(text), message) << text;
    }
}

TEST(TimeframeEntryTest, TrailingCommaGivesAnEmptyEntryThatFails)
{
    const auto entries = splitTimeframeList("5, 60,");
    ASSERT_EQ(entries, (std::vector<std::string>{"5", "60", ""}));
    EXPECT_EQ(runErrorOf(entries[2]), "'' は整数ではありません");
}

TEST(TimeframeEntryTest, EntriesThatCannotMakeProgressOrBarsAreRefused)
{
    const std::vector<std::pair<std::string, EntryRefusal>> cases = {
        {"0", EntryRefusal::NotPositive},         {"+0", EntryRefusal::NotPositive},
        {"00", EntryRefusal::NotPositive},        {"0-0", EntryRefusal::ZeroWidth},
        {"60-0", EntryRefusal::ZeroWidth},        {"-0*3+60", EntryRefusal::ZeroWidth},
        {"5*0-10*0", EntryRefusal::NoWidths},     {"5*0+7*0-1*0", EntryRefusal::NoWidths},
        {"5*0-10", EntryRefusal::OnlyGaps},       {"-5", EntryRefusal::OnlyGaps},
        {"-60-60*1000", EntryRefusal::OnlyGaps},  {"60000000", EntryRefusal::TooWide},
        {"-2147483648+5", EntryRefusal::TooWide}, {"5-60000000*2", EntryRefusal::TooWide},
    };
    for (const auto& [text, reason] : cases) {
        EXPECT_EQ(runErrorOf(text), entryRefusalMessage(reason, text)) << text;
    }
    EXPECT_NE(entryRefusalMessage(EntryRefusal::ZeroWidth, "0-0").find("'0-0'"), std::string::npos);
}

TEST(TimeframeEntryTest, NoAcceptedEntryLeavesTheWalkWithoutProgress)
{
    const std::vector<std::string> hostile = {
        "0",
        "-0",
        "0*0-0",
        "1*0-0*0",
        "--",
        "-+",
        "+-0",
        "-1",
        "-1+0",
        "0*5-1",
        "1-1",
        "5*2000000000-1",
        "-1*2147483647+1",
        "1*-5-1*0",
        "1440-0",
        "1-2147483647",
        "2147483647",
        "-2147483647+1",
        "0x7FFFFFFF",
        "$0-1",
        "1*1*0-1",
        "60-60*0",
        "0+0-0",
        "-0x0+0",
        "1 -1",
        "\"0\"",
        "5*0+5*0-5*0",
        "-5*2-5*0+1",
    };
    for (const auto& text : hostile) {
        BarKind kind = BarKind::Minutes;
        try {
            auto entry = TimeframeEntry::ResolveEntry(text, kind);
            // Every step of the cycle moves the bucket on, and the cycle writes something.
            std::int64_t total = 0;
            bool anyBar = false;
            for (const WidthRun& run : entry.runs()) {
                EXPECT_NE(run.width, 0) << text;
                EXPECT_GT(run.count, 0) << text;
                total += run.count * std::abs(std::int64_t{run.width});
                anyBar = anyBar || run.width > 0;
            }
            EXPECT_TRUE(!entry.isSequence() || (total > 0 && anyBar)) << text;
            for (int i = 0; i < 1000; ++i) {
                ASSERT_GT(entry.currentWidth(), 0) << text;
                ASSERT_LE(entry.currentWidth(), MaxEntryWidth) << text;
                entry.NextWidth();
            }
        } catch (const RunError&) {
            // Refused before any job: fine.
        }
    }
}

TEST(TimeframeEntryTest, HugeRepeatCountsStayCompact)
{
    BarKind kind = BarKind::Minutes;
    auto entry = TimeframeEntry::ResolveEntry("5*2000000000-1*2000000000", kind);
    ASSERT_EQ(entry.runs().size(), 2u);
    EXPECT_EQ(entry.runs()[0].count, 2000000000);
    for (int i = 0; i < 10; ++i) {
        entry.NextWidth();
    }
    EXPECT_EQ(entry.position(), 10);
    EXPECT_EQ(entry.currentWidth(), 5);
}

TEST(TimeframeEntryTest, AliasesResolveAsTheirNumbersInAnyLetterCase)
{
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"M1", "1"},  {"m5", "5"},   {"M15", "15"},  {"m30", "30"},
        {"H1", "60"}, {"h4", "240"}, {"D1", "1440"}, {"d1", "1440"},
    };
    for (const auto& [alias, number] : cases) {
        BarKind aliasKind = BarKind::Minutes;
        BarKind numberKind = BarKind::Daily;
        EXPECT_EQ(TimeframeEntry::ResolveEntry(alias, aliasKind), TimeframeEntry::ResolveEntry(number, numberKind))
            << alias;
        EXPECT_EQ(aliasKind, numberKind) << alias;
    }
}

TEST(TimeframeEntryTest, WeeksAndMonthsAreDailyKindWithTheirOwnLabels)
{
    const std::vector<std::tuple<std::string, CalendarBars, std::string>> cases = {
        {"W1", CalendarBars::Weeks, "Weekly"},
        {"w1", CalendarBars::Weeks, "Weekly"},
        {"MN1", CalendarBars::Months, "Monthly"},
        {"mn1", CalendarBars::Months, "Monthly"},
    };
    for (const auto& [text, calendar, label] : cases) {
        BarKind kind = BarKind::Minutes;
        const auto entry = TimeframeEntry::ResolveEntry(text, kind);
        EXPECT_EQ(entry.calendar(), calendar) << text;
        EXPECT_EQ(entry.calendarLabel(), label) << text;
        EXPECT_FALSE(entry.isDaily()) << text; // no "Daily" file, no daily window shift
        EXPECT_EQ(kind, BarKind::Daily) << text;
    }
    BarKind kind = BarKind::Minutes;
    EXPECT_EQ(TimeframeEntry::ResolveEntry("60", kind).calendar(), CalendarBars::None);
}

TEST(TimeframeEntryTest, NamesNearTheAliasesStillEndTheRun)
{
    // Neither other counts nor the names inside sequences: only the fixed names are taken.
    for (const std::string text : {"M2", "H", "H1.5", "W2", "MN", "MN2", "D", "H 1", "-60+H1"}) {
        EXPECT_NE(runErrorOf(text).find("は整数ではありません"), std::string::npos) << text;
    }
}

} // namespace
} // namespace velmora
