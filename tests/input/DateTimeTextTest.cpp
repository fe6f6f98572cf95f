#include "input/DateTimeText.h"

#include "platform/Numbers.h"
#include "platform/RunError.h"
#include "regex/TBRegExp.h"

#include <gtest/gtest.h>
#include <random>
#include <string>
#include <vector>

namespace velmora {
namespace {

class RecordingSink : public MessageSink
{
public:
    void showMessage(std::string_view text) override { shown.emplace_back(text); }
    std::vector<std::string> shown;
};

constexpr int ThisYear = 2026;

std::int32_t day(int year, int month, int dayOfMonth)
{
    return daysFromCivil(year, month, dayOfMonth).value();
}

struct DateTimeReadTest : ::testing::Test
{
    DateSeparators separators;
    RecordingSink sink;
    DateTextContext context{separators, sink, ThisYear};
};

TEST(DateTimeTextTest, CountsDaysFromTheDateTimeOrigin)
{
    EXPECT_EQ(daysFromCivil(1899, 12, 30), 0);
    EXPECT_EQ(daysFromCivil(1900, 1, 1), 2);
    EXPECT_EQ(daysFromCivil(1970, 1, 1), 25569);
    EXPECT_EQ(daysFromCivil(2009, 1, 5), 39818);
    EXPECT_EQ(daysFromCivil(2000, 2, 29), 36585);
    EXPECT_EQ(daysFromCivil(1, 1, 1), -693593);
    EXPECT_EQ(daysFromCivil(9999, 12, 31), 2958465);
    EXPECT_EQ(daysFromCivil(1900, 2, 29), std::nullopt);
    EXPECT_EQ(daysFromCivil(2009, 2, 29), std::nullopt);
    EXPECT_EQ(daysFromCivil(2009, 4, 31), std::nullopt);
    EXPECT_EQ(daysFromCivil(2009, 13, 1), std::nullopt);
    EXPECT_EQ(daysFromCivil(2009, 0, 1), std::nullopt);
    EXPECT_EQ(daysFromCivil(0, 1, 1), std::nullopt);
    EXPECT_EQ(daysFromCivil(10000, 1, 1), std::nullopt);
}

TEST(DateTimeTextTest, ReadsDatesWithTheGivenSeparator)
{
    const struct
    {
        const char* text;
        char separator;
        std::optional<std::int32_t> days;
    } cases[] = {
        {"2009/01/05", '/', day(2009, 1, 5)},
        {"2009.01.05", '.', day(2009, 1, 5)},
        {"2009-1-5", '-', day(2009, 1, 5)},
        {"2009.01.05", '/', std::nullopt},
        {"2009/01/05/", '/', day(2009, 1, 5)},
        {"2009/01/05  ", '/', day(2009, 1, 5)},
        {" 2009 / 01 /05 / ", '/', day(2009, 1, 5)},
        {"2009/01/05x", '/', std::nullopt},
        {"2009/01/05//", '/', std::nullopt},
        {"2009/13/01", '/', std::nullopt},
        {"2009/02/29", '/', std::nullopt},
        {"2008/02/29", '/', day(2008, 2, 29)},
        {"09/01/05", '/', day(2009, 1, 5)},
        {"80/01/05", '/', day(1980, 1, 5)},
        {"76/01/05", '/', day(1976, 1, 5)}, // the window's first year
        {"75/01/05", '/', day(2075, 1, 5)}, // and its last
        {"9/1/5", '/', day(2009, 1, 5)},
        {"0009/01/05", '/', day(9, 1, 5)}, // four digits are a year as written
        {"01/05", '/', day(ThisYear, 1, 5)},
        {"12/31/", '/', std::nullopt}, // a separator after two numbers asks for a third
        {"20090105", '/', std::nullopt},
        {"2009/", '/', std::nullopt},
        {"", '/', std::nullopt},
        {"2009/01/05", '\0', std::nullopt},
        {"2009年01年05", '\xE5', std::nullopt}, // only a character's first byte is ever a separator
        {"2009 01 05", ' ', day(2009, 1, 5)},
        {"2009x01x05", 'x', day(2009, 1, 5)},
        {"10000/01/05", '/', std::nullopt},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(parseDateText(c.text, c.separator, ThisYear), c.days) << c.text;
    }
}

TEST_F(DateTimeReadTest, FollowsASeparatorThatChangesPartWay)
{
    separators.input = '/';
    EXPECT_EQ(ReadDateText("2009/01/05", context), day(2009, 1, 5));
    EXPECT_EQ(ReadDateText("2009.01.06", context), day(2009, 1, 6));
    EXPECT_EQ(separators.input, '.');
    EXPECT_EQ(ReadDateText("2009.01.07", context), day(2009, 1, 7));
    EXPECT_TRUE(sink.shown.empty());
    EXPECT_EQ(DateTextToDayMinutes("2009.01.05", context), day(2009, 1, 5) * 1440);
}

TEST_F(DateTimeReadTest, DetectsTheFirstNonDigit)
{
    const struct
    {
        const char* text;
        char separator;
    } cases[] = {{"2009.01.05", '.'}, {"2009-01-05", '-'}, {"2009a01a05", 'a'}, {"12:00", ':'}, {"2009年1月", '\xE5'}};
    for (const auto& c : cases) {
        separators.input = '\0';
        DetectDateSeparator(c.text, context);
        EXPECT_EQ(separators.input, c.separator) << c.text;
    }
    EXPECT_TRUE(sink.shown.empty());
}

TEST_F(DateTimeReadTest, ReportsADateWithoutSeparatorAndSkipsIt)
{
    separators.input = '/';
    EXPECT_EQ(ReadDateText("20090105", context), std::nullopt);
    EXPECT_EQ(separators.input, '/');
    EXPECT_EQ(sink.shown, (std::vector<std::string>{
                              "日付の文字列 + 20090105 に、数字以外の文字(区切り文字)が見当たりません",
                              "日付の区切り文字の設定に失敗しました(想定外のエラー)",
                          }));
    EXPECT_EQ(DateTextToDayMinutes("20090105", context), std::nullopt);
}

TEST_F(DateTimeReadTest, ReportsADateThatReadsWithNoSeparator)
{
    separators.input = '/';
    EXPECT_EQ(ReadDateText("2009.13.01", context), std::nullopt);
    EXPECT_EQ(separators.input, '.'); // as detection left it
    EXPECT_EQ(sink.shown, std::vector<std::string>{"日付の区切り文字の設定に失敗しました(想定外のエラー)"});

    sink.shown.clear();
    EXPECT_EQ(ReadDateText("", context), std::nullopt);
    EXPECT_EQ(separators.input, '.');
    EXPECT_EQ(sink.shown.size(), 2U);
}

TEST_F(DateTimeReadTest, RefusesDatesBeyondTheMinuteStampRange)
{
    separators.input = '/';
    EXPECT_EQ(DateTextToDayMinutes("0001/01/01", context), -693593 * 1440);
    EXPECT_EQ(DateTextToDayMinutes("5983/01/01", context), day(5983, 1, 1) * 1440);
    EXPECT_EQ(DateTextToDayMinutes("9999/12/31", context), std::nullopt);
}

TEST(DateTimeTextTest, ReadsTimesOfDay)
{
    const struct
    {
        const char* text;
        std::optional<std::int32_t> ms;
    } cases[] = {
        {"17", 17 * 3600000},
        {"17:00", 17 * 3600000},
        {"0:00", 0},
        {"23:59:59.999", 86399999},
        {"17:30:15.500", (17 * 3600 + 30 * 60 + 15) * 1000 + 500},
        {"00.01", 1}, // the decimal part counts milliseconds
        {"17.5", 17 * 3600000 + 5},
        {" 9 : 05 ", (9 * 60 + 5) * 60000},
        {"5:30 PM", (17 * 60 + 30) * 60000},
        {"5:30pm", (17 * 60 + 30) * 60000},
        {"PM 5:30", (17 * 60 + 30) * 60000},
        {"12:00 AM", 0},
        {"12:00 PM", 12 * 3600000},
        {"午後5:30", (17 * 60 + 30) * 60000},
        {"午前 12:15", 15 * 60000},
        {"0:30 AM", std::nullopt},
        {"13:00 PM", std::nullopt},
        {"AM 5 PM", std::nullopt},
        {"24:00", std::nullopt},
        {"17:60", std::nullopt},
        {"17:00:60", std::nullopt},
        {"17:", std::nullopt},
        {"17:00:", std::nullopt},
        {"17:00.", std::nullopt},
        {"", std::nullopt},
        {"PM", std::nullopt},
        {"17:00x", std::nullopt},
        {"17:0a", std::nullopt},
        {"17:00:00:00", std::nullopt},
        {"-1:00", std::nullopt},
        {"1700", std::nullopt}, // read as 1700 hours, not 17:00
    };
    for (const auto& c : cases) {
        EXPECT_EQ(parseTimeOfDayMs(c.text), c.ms) << c.text;
        EXPECT_EQ(parseTimeText(c.text).has_value(), c.ms.has_value()) << c.text;
    }
    EXPECT_DOUBLE_EQ(ReadTimeText("12:00"), 0.5);
    EXPECT_DOUBLE_EQ(ReadTimeText("18"), 0.75);
    try {
        ReadTimeText("24:00");
        FAIL() << "no error";
    } catch (const RunError& error) {
        EXPECT_STREQ(error.what(), "'24:00' は時刻ではありません");
    }
}

TEST(DateTimeTextTest, TimeStrToIntCountsMinutesOfTheDay)
{
    const struct
    {
        const char* text;
        std::int32_t minutes;
    } cases[] = {
        {"17:00", 1020}, {"0:01:59", 1},  {"24:00", 1440},
        {"9:05", 545},   {" 9: 5", 545},  {"+1:-5", 55},
        {"99:99", 6039}, {"00:00:00", 0}, {"1:2:3:4:5:6:7:8:9:10:11", 62},
    };
    RecordingSink sink;
    for (const auto& c : cases) {
        EXPECT_EQ(TimeStrToInt(c.text, sink), c.minutes) << c.text;
    }
    EXPECT_TRUE(sink.shown.empty());
}

TEST(DateTimeTextTest, TimeStrToIntReportsATextWithoutColon)
{
    for (const char* text : {"1700", "17.00", ""}) {
        RecordingSink sink;
        EXPECT_EQ(TimeStrToInt(text, sink), std::nullopt) << text;
        EXPECT_EQ(sink.shown, std::vector<std::string>{
                                  "TimeStrToInt でエラーが生じました。\r\n時刻の分割に \":\" "
                                  "以外の文字を使用している可能性があります。\r\nもしその場合、製作者ブログにその文"
                                  "字列に対応するようコメントで要望出してみて下さい（面倒くさいので今は未実装）"});
    }
}

TEST(DateTimeTextTest, TimeStrToIntEndsTheRunOnAPieceThatIsNoWholeNumber)
{
    const struct
    {
        const char* text;
        const char* message;
    } cases[] = {
        {"17:", "'' は整数ではありません"},
        {":30", "'' は整数ではありません"},
        {"17 :00", "'17 ' は整数ではありません"},
        {"17:00 ", "'00 ' は整数ではありません"},
        {"5:30 PM", "'30 PM' は整数ではありません"},
        {"a:b", "'a' は整数ではありません"}, // the first piece is read first
        {"99999999:00", "'99999999:00' は時刻ではありません"},
    };
    RecordingSink sink;
    for (const auto& c : cases) {
        try {
            TimeStrToInt(c.text, sink);
            ADD_FAILURE() << "no error for " << c.text;
        } catch (const RunError& error) {
            EXPECT_STREQ(error.what(), c.message);
        }
    }
    EXPECT_TRUE(sink.shown.empty());
}

TEST(DateTimeTextTest, TimeSplitMatchesTheRegexSplit)
{
    const char* texts[] = {"17:00",
                           "0:01:59",
                           "17",
                           ":",
                           "::",
                           ":30",
                           "17:",
                           "a:b:c",
                           " 9 : 05 ",
                           "1:2:3:4:5:6:7:8:9:10:11:12",
                           "1:2:3:4:5:6:7:8:9:",
                           "時:分",
                           "17.00",
                           "1:::2",
                           "2009/01/05 17:00:00"};
    for (const char* text : texts) {
        const TimePieces plain = splitTimeText(text);
        TBRegExp& regex = SharedRegExp();
        regex.Split("m/:/", text, 10);
        ASSERT_EQ(plain.count, regex.Count()) << text;
        for (int i = 0; i < plain.count; ++i) {
            EXPECT_EQ(plain.pieces[static_cast<std::size_t>(i)], regex.Strings(i)) << text << " piece " << i;
        }
    }
    // Both give fewer than two pieces for an empty text, which is all TimeStrToInt asks of them.
    SharedRegExp().Split("m/:/", "", 10);
    EXPECT_LT(SharedRegExp().Count(), 2);
    EXPECT_EQ(splitTimeText("").count, 0);
}

/// Random short texts over the bytes that matter to the readers; a fixed seed keeps the runs alike.
std::vector<std::string> randomTexts(std::string_view alphabet, std::size_t minLength, std::size_t maxLength)
{
    std::mt19937 random(20090105);
    std::uniform_int_distribution<std::size_t> length(minLength, maxLength);
    std::uniform_int_distribution<std::size_t> pick(0, alphabet.size() - 1);
    std::vector<std::string> texts;
    for (int i = 0; i < 20000; ++i) {
        std::string text(length(random), ' ');
        for (char& c : text) {
            c = alphabet[pick(random)];
        }
        texts.push_back(std::move(text));
    }
    return texts;
}

/// Texts close to the usual date and time shapes ('d' a digit), each byte now and then replaced, so that
/// the by-position shortcuts see both their own shapes and near misses.
std::vector<std::string> nearShapes()
{
    const std::string_view shapes[] = {"d:dd",       "dd:dd",      "d:dd:dd",   "dd:dd:dd",
                                       "dddd/dd/dd", "dddd.dd.dd", "dd:dd:dd.d"};
    const std::string_view noise = "0123456789:/. -aP";
    std::mt19937 random(17);
    std::uniform_int_distribution<int> percent(0, 99);
    std::uniform_int_distribution<int> digit(0, 9);
    std::uniform_int_distribution<std::size_t> pick(0, noise.size() - 1);
    std::vector<std::string> texts;
    for (int i = 0; i < 20000; ++i) {
        std::string text(shapes[static_cast<std::size_t>(i) % std::size(shapes)]);
        for (char& c : text) {
            if (c == 'd') {
                c = static_cast<char>('0' + digit(random));
            }
            if (percent(random) < 3) {
                c = noise[pick(random)];
            }
        }
        texts.push_back(std::move(text));
    }
    return texts;
}

TEST(DateTimeTextTest, ShortcutsForCommonShapesAgreeWithTheFullReading)
{
    // A leading space is allowed and sends a text past the by-position shortcuts, so each text read with
    // and without one must agree.
    for (const std::string& text : nearShapes()) {
        EXPECT_EQ(parseTimeOfDayMs(text), parseTimeOfDayMs(" " + text)) << text;
        for (char separator : {'/', '.', ':', '-', ' ', '1'}) {
            EXPECT_EQ(parseDateText(text, separator, ThisYear), parseDateText(" " + text, separator, ThisYear))
                << text << " with " << separator;
        }
    }
}

TEST(DateTimeTextTest, TimeStrToIntAgreesWithTheRegexSplit)
{
    // What TimeStrToInt gives is fixed by the "m/:/" split: fewer than two pieces is the message, otherwise
    // pieces 0 and 1 read as whole numbers.
    const auto viaRegex = [](const std::string& text) -> std::string {
        TBRegExp& regex = SharedRegExp();
        regex.Split("m/:/", text, 10);
        if (regex.Count() < 2) {
            return "message";
        }
        const std::string hours = regex.Strings(0);
        const std::string minutes = regex.Strings(1);
        try {
            return std::to_string(std::int64_t{StrToInt(hours)} * 60 + StrToInt(minutes));
        } catch (const RunError& error) {
            return error.what();
        }
    };
    const auto viaTimeStrToInt = [](const std::string& text) -> std::string {
        RecordingSink sink;
        try {
            const auto minutes = TimeStrToInt(text, sink);
            return minutes ? std::to_string(*minutes) : "message";
        } catch (const RunError& error) {
            return error.what();
        }
    };
    for (const std::string& text : randomTexts("0123456789:: +-a", 0, 9)) {
        EXPECT_EQ(viaTimeStrToInt(text), viaRegex(text)) << text;
    }
}

TEST(DateTimeTextTest, CaptionShowsTodayWithTheBoxsFirstByte)
{
    const std::string prefix = "書きだす時の日付の区切り文字 (※現在の設定 ： ";
    EXPECT_EQ(OutputSeparatorCaption("/", 2026, 3, 7), prefix + "2026/03/07 )");
    EXPECT_EQ(OutputSeparatorCaption("-/", 2026, 3, 7), prefix + "2026-03-07 )");
    EXPECT_EQ(OutputSeparatorCaption("ab", 2026, 12, 31), prefix + "2026a12a31 )");
    EXPECT_EQ(OutputSeparatorCaption("0", 987, 1, 2), prefix + "0987001002 )");
    EXPECT_EQ(OutputSeparatorCaption("", 2026, 3, 7), std::nullopt);

    EXPECT_EQ(unusableDateSeparatorMessage("／"), "／ は、日付の区切り文字には使用できません");
    EXPECT_EQ(unusableDateSeparatorMessage("/"), std::nullopt);
    EXPECT_EQ(unusableDateSeparatorMessage(""), std::nullopt);
}

} // namespace
} // namespace velmora
