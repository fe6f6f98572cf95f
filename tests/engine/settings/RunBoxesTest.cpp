#include "engine/settings/RunBoxes.h"

#include "input/CivilDays.h"
#include "platform/RunError.h"

#include <functional>
#include <gtest/gtest.h>

namespace velmora {
namespace {

constexpr int ThisYear = 2026;

MinuteStamp stampOf(int year, int month, int day, int hour, int minute)
{
    return *daysFromCivil(year, month, day) * 1440 + hour * 60 + minute;
}

/// The minutes a box reads as, or the message that ends the run.
std::string outcomeOf(const std::function<int()>& read)
{
    try {
        return std::to_string(read());
    } catch (const RunError& error) {
        return error.what();
    }
}

/// Counts what it is shown.
struct CountingSink : MessageSink
{
    void showMessage(std::string_view /*text*/) override { ++shown; }
    int shown = 0;
};

TEST(RunBoxesTest, TimeZoneBoxIsWholeHours)
{
    EXPECT_DOUBLE_EQ(timeZoneShiftFromBox("-9"), -9 / 24.0);
    EXPECT_THROW(timeZoneShiftFromBox("1.5"), RunError);
}

TEST(RunBoxesTest, SeparatorIsTheBoxesFirstOneByteCharacter)
{
    EXPECT_EQ(separatorFromBox("-/"), '-');
    EXPECT_EQ(separatorFromBox(""), '\0');
    EXPECT_FALSE(isUsableSeparatorBox("年"));
    EXPECT_EQ(separatorFromBox("年"), '\0');
}

TEST(RunBoxesTest, EmptyBoxesKeepARunFromStarting)
{
    EXPECT_EQ(emptySeparatorBoxRefusal(""),
              "「書きだす時の日付の区切り文字」の項目が空です。\r「/」や「-」などを指定してください");
    EXPECT_EQ(emptySeparatorBoxRefusal("年"), std::nullopt); // refused later, by the date reader
    const std::string noExtension = "「出力ファイルの拡張子を指定」にチェックが付いているのに、拡張子の項目が空です。\r"
                                    "「.txt」や「.csv」などを指定するか、チェックを外してください";
    EXPECT_EQ(extensionBoxRefusal(true, ""), noExtension);
    EXPECT_EQ(extensionBoxRefusal(false, ""), std::nullopt);
    EXPECT_EQ(extensionBoxRefusal(true, ".csv"), std::nullopt);
}

TEST(RunBoxesTest, CutAndMarketTimesAreMinutesOfTheDay)
{
    struct Case
    {
        const char* text;
        std::string cut;    ///< the minutes, or the message that ends the run
        std::string market; ///< the same for a market-window time
    };
    const std::string noColon = "' には時と分を区切る \":\" がありません。\r17:00 のように指定してください";
    const Case cases[] = {
        {"17:00", "1020", "1020"},
        {"0:00", "0", "0"},
        {"9:05:59", "545", "545"},
        {"1700", "基準区切り時刻 '1700" + noColon, "'1700' は時刻ではありません"},
        {"", "基準区切り時刻 '" + noColon, "'' は時刻ではありません"},
        {"x:00", "'x' は整数ではありません", "'x:00' は時刻ではありません"},
    };
    for (const Case& c : cases) {
        CountingSink messages;
        EXPECT_EQ(outcomeOf([&] { return cutMinutesFromBox(c.text, messages); }), c.cut) << c.text;
        EXPECT_EQ(outcomeOf([&] { return marketMinutesFromBox(c.text); }), c.market) << c.text;
        EXPECT_EQ(messages.shown, 0) << c.text;
    }
}

TEST(RunBoxesTest, BoxNormalisationTurnsPointsIntoCommas)
{
    EXPECT_EQ(normaliseTimeframeBox("5.60"), "5,60");
    EXPECT_EQ(splitTimeframeList(normaliseTimeframeBox("5.60. 240")), (std::vector<std::string>{"5", "60", "240"}));
    EXPECT_EQ(normaliseTimeframeBox("5, 60"), "5, 60");
}

TEST(RunBoxesTest, ReadsThePeriodTextsTheDialogWrites)
{
    const MinuteStamp twoAm = stampOf(2008, 3, 9, 2, 0);
    const std::vector<std::pair<std::string, std::optional<MinuteStamp>>> cases = {
        {"2008/03/09 2:00:00", twoAm},
        {"2008/03/09 2:00", twoAm},
        {"2008/03/09 2:00:30", twoAm}, // seconds are dropped
        {"  2008/3/9   02:00 ", twoAm},
        {"2008/03/09", stampOf(2008, 3, 9, 0, 0)},
        {"2008/03/09 14:30:00", stampOf(2008, 3, 9, 14, 30)},
        {"08/03/09 2:00", twoAm},
        {"2008/13/01", std::nullopt},
        {"2008/03/09 25:00", std::nullopt},
        {"2008/03/09 2:00 x", std::nullopt},
        {"2008-03-09", std::nullopt},
        {"", std::nullopt},
        {"abc", std::nullopt},
    };
    for (const auto& [text, stamp] : cases) {
        EXPECT_EQ(parsePeriodText(text, ThisYear), stamp) << text;
    }
}

TEST(RunBoxesTest, TypedDateTimesBecomePeriodTexts)
{
    const std::pair<const char*, std::optional<std::string>> cases[] = {
        {"2008/3/9 2:00", "2008/03/09 2:00:00"},
        {"2008/03/09 2:00:30", "2008/03/09 2:00:30"}, // seconds kept as typed
        {"  2008/03/09   14:05 ", "2008/03/09 14:05:00"},
        {"2008/03/09", "2008/03/09"},
        {"2008/03/09 0:00", "2008/03/09"},
        {"08/03/09 2:00", "2008/03/09 2:00:00"},
        {"12:30", "1899/12/30 12:30:00"},
        {"0001/01/01 23:59:59", "0001/01/01 23:59:59"},
        {"2008-03-09 2:00", std::nullopt},
        {"2008/02/30", std::nullopt},
        {"2008/03/09 25:00", std::nullopt},
        {"2008/03/09 x", std::nullopt},
        {"abc", std::nullopt},
        {" ", std::nullopt},
    };
    for (const auto& [typed, expected] : cases) {
        SCOPED_TRACE(typed);
        const auto text = normalizedPeriodText(typed, ThisYear);
        EXPECT_EQ(text, expected);
        if (text) {
            EXPECT_EQ(parsePeriodText(*text, ThisYear), parsePeriodText(typed, ThisYear));
        }
    }
}

TEST(RunBoxesTest, FormatsStampsOnBothSidesOfTheOrigin)
{
    EXPECT_EQ(formatPeriodText(MinuteStamp{0}), "1899/12/30");
    EXPECT_EQ(formatPeriodText(MinuteStamp{-1}), "1899/12/29 23:59:00");
    EXPECT_EQ(formatPeriodText(stampOf(2000, 2, 29, 23, 1)), "2000/02/29 23:01:00");
}

} // namespace
} // namespace velmora
