#include "input/LastRecord.h"

#include "platform/RunError.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>
#include <random>
#include <string>
#include <vector>

namespace velmora {
namespace {

constexpr double Jan8 = 39455.0; // 2008-01-08 as days since 1899-12-30

constexpr double at(double day, int hour, int minute, int second = 0)
{
    return day + (hour * 3600 + minute * 60 + second) / 86400.0;
}

class RecordingMessages : public MessageSink
{
public:
    void showMessage(std::string_view text) override { shown.emplace_back(text); }
    std::vector<std::string> shown;
};

class LastRecordTest : public testing::Test
{
protected:
    std::optional<DateTimeValue> lastOf(std::string_view bytes, std::int32_t dateField = 1)
    {
        return LastRecordDateTime(folder.write("file.txt", bytes), dateField, context);
    }

    std::string errorOf(std::string_view bytes)
    {
        try {
            lastOf(bytes);
        } catch (const RunError& error) {
            return error.what();
        }
        return "(no error)";
    }

    static std::string barLine(int minute, std::string_view tail = "1.4700,1.4710,1.4695,1.4705")
    {
        const std::string hh = std::to_string(100 + minute / 60).substr(1);
        const std::string mm = std::to_string(100 + minute % 60).substr(1);
        return "2008/01/08," + hh + ":" + mm + "," + std::string(tail);
    }

    test::TempDir folder;
    DateSeparators separators;
    RecordingMessages messages;
    DateTextContext context{separators, messages, 2026};
};

TEST_F(LastRecordTest, FindsTheLastLineOfFilesOfEveryShape)
{
    // The many-line file is entered near its end; the long last line does not fit the window taken from the
    // short first line and must still be read whole, not from its middle.
    std::string many;
    for (int minute = 0; minute < 100; ++minute) {
        many += barLine(minute) + "\r\n";
    }
    const std::string longLast = "2008/01/09,10:30:15,1.47000000,1.48000000,1.46000000,1.47000000,123456789,"
                                 "a volume and a remark that make this line far longer than the first";
    const struct
    {
        std::string bytes;
        double expected;
    } cases[] = {
        {barLine(540) + "\r\n", at(Jan8, 9, 0)},
        {many + barLine(600), at(Jan8, 10, 0)},
        {barLine(0, "1,1,1,1") + "\r\n" + std::string(200, 'x') + "\r\n" + longLast, at(Jan8 + 1, 10, 30, 15)},
        // A byte-order mark before the only line, and before a file entered near its end.
        {"\xEF\xBB\xBF" + barLine(540) + "\r\n", at(Jan8, 9, 0)},
        {"\xEF\xBB\xBF" + many + barLine(600), at(Jan8, 10, 0)},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(lastOf(c.bytes), c.expected) << c.bytes;
    }
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(LastRecordTest, AgreesWithTheLastLoadedLineWhateverTheLineLengths)
{
    std::mt19937 random(42);
    const char* const breaks[] = {"\r\n", "\n", "\r"};
    for (int round = 0; round < 150; ++round) {
        const int count = 1 + static_cast<int>(random() % 12);
        const char* lineBreak = breaks[random() % 3];
        std::string bytes;
        for (int i = 0; i < count; ++i) {
            const std::string volume(random() % 120, '7');
            bytes += barLine(i, "1,2,0,1," + volume);
            if (i + 1 < count || random() % 2 == 0) {
                bytes += lineBreak;
            }
        }
        ASSERT_EQ(lastOf(bytes), at(Jan8, 0, count - 1)) << testing::PrintToString(bytes);
    }
}

TEST_F(LastRecordTest, TakesTheFileSeparatorForReadingAndWriting)
{
    separators = {'/', '-'};
    EXPECT_EQ(lastOf("EURUSD,2009.01.04,23:59,1,1,1,1\r\nEURUSD,2009.01.05,00:00,1,1,1,1\r\n", 2), 39818.0);
    EXPECT_EQ(separators.input, '.');
    EXPECT_EQ(separators.output, '.');
}

TEST_F(LastRecordTest, UnreadableLastLineEndsTheRun)
{
    EXPECT_EQ(errorOf(barLine(0) + "\r\n\r\n"), "リストのインデックスが範囲を超えています (0)");
    EXPECT_EQ(errorOf(barLine(0) + "\r\n2008/01/08\r\n"), "リストのインデックスが範囲を超えています (1)");
    EXPECT_EQ(errorOf(barLine(0) + "\r\n2008/01/08,9:xx,1,1,1,1\r\n"), "'9:xx' は時刻ではありません");
    EXPECT_EQ(errorOf(""), "リストのインデックスが範囲を超えています (0)");
    try {
        LastRecordDateTime(folder.file("missing.txt"), 1, context);
        FAIL();
    } catch (const RunError& error) {
        EXPECT_STREQ(error.what(), "ファイルが見つかりません");
    }
}

TEST_F(LastRecordTest, TargetNeedsUpdateOnceTheSourceReachesTheEndOfItsLastBar)
{
    const struct
    {
        BarLabelling labelling;
        const char* targetLast;
        const char* sourceLast;
        bool expected;
    } cases[] = {
        {BarLabelling::ByStart, "09:10:00", "09:14", false},
        {BarLabelling::ByStart, "09:10:00", "09:14:52", true}, // 8 s early: within the tolerance
        {BarLabelling::ByStart, "09:10:00", "09:15", true},
        {BarLabelling::ByStart, "09:10:00", "09:14:51", false},
        {BarLabelling::ByEnd, "09:15:00", "09:14", false},
        {BarLabelling::ByEnd, "09:15:00", "09:14:52", true},
        {BarLabelling::ByEnd, "09:15:00", "09:15", true},
    };
    for (const auto& c : cases) {
        const auto source = folder.write("EURUSD_1min.txt", "2008/01/08,09:00,1,1,1,1\r\n2008/01/08," +
                                                                std::string(c.sourceLast) + ",1,1,1,1\r\n");
        const auto target = folder.write("EURUSD_5min.txt", "2008.01.08," + std::string(c.targetLast) + ",1,1,1,1\r\n");
        EXPECT_EQ(TargetNeedsUpdate(source, target, "5", c.labelling, 1, context), c.expected)
            << c.targetLast << " " << c.sourceLast;
        // The target is read last: both separators hold its separator.
        EXPECT_EQ(separators.input, '.');
        EXPECT_EQ(separators.output, '.');
    }
}

TEST_F(LastRecordTest, TargetNeedsUpdateChecksTheEntryAfterReadingBothFiles)
{
    const auto source = folder.write("s.txt", "2008/01/08,09:00,1,1,1,1\r\n");
    const auto target = folder.write("t.txt", "2008-01-08,09:10,1,1,1,1\r\n");
    try {
        TargetNeedsUpdate(source, target, "5-3", BarLabelling::ByStart, 1, context);
        FAIL();
    } catch (const RunError& error) {
        EXPECT_STREQ(error.what(), "'5-3' は整数ではありません");
    }
    EXPECT_EQ(separators.input, '-');

    // A target whose last date does not read is rebuilt rather than trusted.
    const auto unreadable = folder.write("u.txt", "2008/01/08,09:00,1,1,1,1\r\n20080108,09:10,1,1,1,1\r\n");
    EXPECT_TRUE(TargetNeedsUpdate(source, unreadable, "5", BarLabelling::ByStart, 1, context));
    EXPECT_FALSE(messages.shown.empty());
}

} // namespace
} // namespace velmora
