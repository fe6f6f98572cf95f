#include "engine/bars/BarLine.h"

#include "input/DateTimeText.h"

#include <gtest/gtest.h>

namespace velmora {
namespace {

double labelOf(int year, int month, int day, int hour, int minute)
{
    return *daysFromCivil(year, month, day) + (hour * 60 + minute) / 1440.0;
}

std::string timeText(std::string_view pattern, double label, char separator = '/')
{
    std::string out;
    BarLine(separator, pattern, false).appendTime(out, label);
    return out;
}

TEST(BarLineTest, WritesTheDefaultLayoutWithCrLf)
{
    const BarLine line('/', "hh:nn:ss", false);
    std::string out;
    line.append(out, labelOf(2008, 1, 8, 9, 0), false, "1.4700", 1.4712, 1.469, "1.4691", PriceFormat(4));
    line.append(out, labelOf(2008, 1, 8, 9, 5), false, "1.4691", 1.4691, 1.4691, "1.4691", PriceFormat(4));
    line.append(out, labelOf(2008, 1, 9, 0, 0), false, "1.4691", 1.4691, 1.4691, "1.4691", PriceFormat(4));
    line.append(out, labelOf(2008, 1, 8, 23, 55), false, "1.4691", 1.4691, 1.4691, "1.4691", PriceFormat(4));
    EXPECT_EQ(out, "2008/01/08,09:00:00,1.4700,1.4712,1.4690,1.4691\r\n"
                   "2008/01/08,09:05:00,1.4691,1.4691,1.4691,1.4691\r\n"
                   "2008/01/09,00:00:00,1.4691,1.4691,1.4691,1.4691\r\n"
                   "2008/01/08,23:55:00,1.4691,1.4691,1.4691,1.4691\r\n");
}

TEST(BarLineTest, OpenAndCloseKeepTheirSourceText)
{
    std::string out;
    BarLine('/', "hh:nn", false)
        .append(out, labelOf(2008, 1, 8, 9, 0), false, "1.2340", 1.125, 1.375, "1.23456", PriceFormat(2));
    EXPECT_EQ(out, "2008/01/08,09:00,1.2340,1.12,1.38,1.23456\r\n");

    const std::string digits = "123456789012345678901";
    for (std::size_t size = 0; size <= digits.size(); ++size) {
        const std::string open = digits.substr(0, size);
        const std::string close = digits.substr(digits.size() - size);
        std::string bar;
        BarLine('/', "hh:nn", false).append(bar, labelOf(2008, 1, 8, 9, 0), false, open, 1, 1, close, PriceFormat(0));
        EXPECT_EQ(bar, "2008/01/08,09:00," + open + ",1,1," + close + "\r\n");
    }
}

TEST(BarLineTest, DateSeparatorIsWrittenAsGivenOrLeftOut)
{
    const double label = labelOf(2008, 1, 8, 0, 0);
    const std::vector<std::pair<char, std::string>> cases = {
        {'/', "2008/01/08"}, {'-', "2008-01-08"}, {'.', "2008.01.08"}, {'\0', "20080108"}};
    for (const auto& [separator, date] : cases) {
        std::string out;
        BarLine(separator, "hh:nn:ss", false).appendDate(out, label);
        EXPECT_EQ(out, date) << int{separator};
    }
    std::string early;
    BarLine('/', "", false).appendDate(early, labelOf(987, 2, 29 - 1, 0, 0));
    EXPECT_EQ(early, "0987/02/28");
}

TEST(BarLineTest, TimePatternLetters)
{
    const double morning = labelOf(2008, 1, 8, 9, 5);
    const double evening = labelOf(2008, 1, 8, 21, 5);
    EXPECT_EQ(timeText("hh:nn:ss", morning), "09:05:00");
    EXPECT_EQ(timeText("hh:nn", morning), "09:05");
    EXPECT_EQ(timeText("h:nn", morning), "9:05");
    EXPECT_EQ(timeText("h:n:s", morning), "9:5:0");
    EXPECT_EQ(timeText("HH:NN:SS", morning), "09:05:00");
    EXPECT_EQ(timeText("hh:mm", morning), "09:05"); // m after an hour means minutes
    EXPECT_EQ(timeText("hhnn", morning), "0905");
    EXPECT_EQ(timeText("h時n分", morning), "9時5分");
    EXPECT_EQ(timeText("hh'h'nn", morning), "09h05");
    EXPECT_EQ(timeText("hh\"h:n\"nn", morning), "09h:n05");
    EXPECT_EQ(timeText("hh/nn", morning, '-'), "09-05");
    EXPECT_EQ(timeText("hh/nn", morning, '\0'), "0905");
    EXPECT_EQ(timeText("hh:nn:ss.zzz", morning), "09:05:00.000");
    EXPECT_EQ(timeText("h:nn am/pm", evening), "9:05 pm");
    EXPECT_EQ(timeText("hh:nn AM/PM", morning), "09:05 AM");
    EXPECT_EQ(timeText("ampm h:nn", evening), "午後 9:05");
    EXPECT_EQ(timeText("h:nn a/p", labelOf(2008, 1, 8, 0, 30)), "12:30 a");
    EXPECT_EQ(timeText("", morning), "09:05:00");
    EXPECT_EQ(timeText("hh:nn'", morning), "09:05"); // an unclosed quote runs to the end
}

TEST(BarLineTest, LettersAreFieldsOnlyWhereThePatternMakesThemOne)
{
    const double evening = labelOf(2008, 1, 8, 21, 5) + 7'042 / 86'400'000.0;
    const std::vector<std::pair<std::string_view, std::string_view>> cases = {
        {"m:ss", "m:07"},         // "m" with no hour before it is a letter
        {"hh:nn:mm", "21:05:mm"}, // and again once the minutes are written
        {"h s m", "21 7 5"},      // seconds and spaces between keep the hour's reading of "m"
        {"h'x'm", "21x5"},        // so does quoted text
        {"h am", "21 a5"},        // "a" that starts no am/pm form is a letter; the "m" after it is the minute
        {"am h", "am 21"},        // and without an hour before, so is the "m"
        {"s.z", "7.42"},          // "z" is the milliseconds unpadded
        {"zz", "4242"},           // and "zz" is two of them
        {"A/P h", "P 9"},         // the case of the first letter sets the case written
        {"a/P h", "p 9"},         // whatever the case of the others
        {"Am/pm h", "PM 9"},      // in both forms
        {"AMPM h", "午後 9"},     // the Japanese markers have no case
    };
    for (const auto& [pattern, expected] : cases) {
        EXPECT_EQ(timeText(pattern, evening), expected) << pattern;
    }
    EXPECT_EQ(timeText("h a/p", labelOf(2008, 1, 8, 12, 0)), "12 p");
}

TEST(BarLineTest, ShiftedLabelsRoundToTheMinuteTheyStandFor)
{
    // 17:00 plus a time-zone shift of seven hours lands exactly on the next midnight.
    std::string out;
    const BarLine line('/', "hh:nn:ss", false);
    line.appendDate(out, labelOf(2008, 1, 7, 17, 0) + 7 / 24.0);
    out += ' ';
    line.appendTime(out, labelOf(2008, 1, 7, 17, 0) + 7 / 24.0);
    EXPECT_EQ(out, "2008/01/08 00:00:00");
    out.clear();
    line.appendTime(out, labelOf(2008, 1, 7, 23, 59) - 1e-12);
    EXPECT_EQ(out, "23:59:00");
}

TEST(BarLineTest, DropTimeAppliesToDailyBarsOnly)
{
    const double label = labelOf(2008, 1, 7, 17, 0);
    const PriceFormat prices(4);
    std::string dropped;
    BarLine('/', "hh:nn:ss", true).append(dropped, label, true, "1.4700", 1.479, 1.465, "1.4721", prices);
    EXPECT_EQ(dropped, "2008/01/07,1.4700,1.4790,1.4650,1.4721\r\n");
    std::string minuteBar;
    BarLine('/', "hh:nn:ss", true).append(minuteBar, label, false, "1.4700", 1.479, 1.465, "1.4721", prices);
    EXPECT_EQ(minuteBar, "2008/01/07,17:00:00,1.4700,1.4790,1.4650,1.4721\r\n");
    std::string kept;
    BarLine('/', "hh:nn:ss", false).append(kept, label, true, "1.4700", 1.479, 1.465, "1.4721", prices);
    EXPECT_EQ(kept, minuteBar);
}

} // namespace
} // namespace velmora
