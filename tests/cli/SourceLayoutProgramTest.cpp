// velmora-convert on source files in the layouts traders get from their data producers: each converts to the
// bars that the same data gives in the usual layout.
#include "cli/ProgramRun.h"
#include "support/TempDir.h"

#include <functional>
#include <gtest/gtest.h>

#ifdef _WIN32
TEST(SourceLayoutProgramTest, RunsThroughAPosixShell)
{
    GTEST_SKIP() << "the program is started through a POSIX shell";
}
#else

namespace fs = std::filesystem;
using namespace velmora::test;

namespace {

struct Row
{
    int day; ///< of August 2022; the 15th is a Monday
    const char* time;
    const char* open;
    const char* high;
    const char* low;
    const char* close; ///< also the bid of the tick form of the row
    const char* volume;
    const char* ask;
    const char* mid;
};

constexpr Row Rows[] = {
    {15, "10:06:00", "1.02340", "1.02359", "1.02340", "1.02348", "105", "1.02351", "1.023495"},
    {15, "10:07:00", "1.02348", "1.02370", "1.02330", "1.02361", "80", "1.02364", "1.023625"},
    {15, "10:12:00", "1.02361", "1.02400", "1.02355", "1.02390", "60", "1.02394", "1.02392"},
    {16, "09:01:00", "1.02390", "1.02391", "1.02200", "1.02250", "70", "1.02252", "1.02251"},
    {17, "23:59:00", "1.02250", "1.02260", "1.02240", "1.02255", "90", "1.02260", "1.022575"},
};

std::string two(int n)
{
    return {static_cast<char>('0' + n / 10), static_cast<char>('0' + n % 10)};
}

std::string hhmm(const Row& r)
{
    return std::string(r.time, 5);
}

std::string compactTime(const Row& r)
{
    const std::string t = r.time;
    return t.substr(0, 2) + t.substr(3, 2) + t.substr(6, 2);
}

std::string commas(std::string text)
{
    for (char& c : text) {
        c = c == '.' ? ',' : c;
    }
    return text;
}

enum class Prices { Ohlc, Bid, Mid };

/// The rows in the usual layout; a tick form writes its one price four times.
std::string usualFile(Prices prices)
{
    std::string text;
    for (const Row& r : Rows) {
        const std::string one = prices == Prices::Bid ? r.close : r.mid;
        text += "2022/08/" + two(r.day) + "," + r.time + ",";
        text += prices == Prices::Ohlc ? std::string(r.open) + "," + r.high + "," + r.low + "," + r.close
                                       : one + "," + one + "," + one + "," + one;
        text += "\r\n";
    }
    return text;
}

struct Shape
{
    const char* name;
    std::vector<std::string> options;
    const char* header;
    std::function<std::string(const Row&)> line;
    Prices prices;
    bool detected; ///< the automatic reading picks a layout for it (the usual reading cannot use it)
};

constexpr const char* Detected = "形式と判断して読みます";

TEST(SourceLayoutProgramTest, EveryLayoutGivesTheBarsOfTheUsualLayout)
{
    const auto tail = [](const Row& r) {
        return std::string(r.open) + "," + r.high + "," + r.low + "," + r.close + "," + r.volume;
    };
    const auto iso = [](const Row& r) { return "2022-08-" + two(r.day) + "T" + r.time; };
    const std::vector<Shape> shapes = {
        {"MetaTrader 4",
         {"--layout", "auto"},
         "",
         [&](const Row& r) { return "2022.08." + two(r.day) + "," + hhmm(r) + "," + tail(r); },
         Prices::Ohlc,
         false},
        {"MetaTrader 5",
         {"--layout", "auto"},
         "<DATE>\t<TIME>\t<OPEN>\t<HIGH>\t<LOW>\t<CLOSE>\t<TICKVOL>\t<VOL>\t<SPREAD>\r\n",
         [](const Row& r) {
             return "2022.08." + two(r.day) + "\t" + r.time + "\t" + r.open + "\t" + r.high + "\t" + r.low + "\t" +
                    r.close + "\t" + r.volume + "\t0\t2";
         },
         Prices::Ohlc,
         false},
        {"whole-line quotes",
         {"--layout", "auto"},
         "",
         [](const Row& r) {
             return "\"2022-08-" + two(r.day) + " " + r.time + "\t" + r.open + "\t" + r.high + "\t" + r.low + "\t" +
                    r.close + "\t" + r.volume + "\"";
         },
         Prices::Ohlc,
         true},
        {"ISO 8601 with milliseconds and offset",
         {"--layout", "auto"},
         "time,open,high,low,close,volume\n",
         [&](const Row& r) { return iso(r) + ".000+0000," + tail(r); },
         Prices::Ohlc,
         true},
        {"ISO 8601 in UTC",
         {"--layout", "auto"},
         "",
         [&](const Row& r) { return iso(r) + "Z," + tail(r); },
         Prices::Ohlc,
         true},
        {"ISO 8601 with a blank and an offset",
         {"--layout", "auto"},
         "",
         [&](const Row& r) { return "2022-08-" + two(r.day) + " " + r.time + "+09:00," + tail(r); },
         Prices::Ohlc,
         true},
        {"compact with semicolons",
         {"--layout", "auto"},
         "",
         [](const Row& r) {
             return "202208" + two(r.day) + " " + compactTime(r) + ";" + r.open + ";" + r.high + ";" + r.low + ";" +
                    r.close + ";0";
         },
         Prices::Ohlc,
         true},
        {"compact with commas",
         {"--layout", "auto"},
         "",
         [&](const Row& r) { return "202208" + two(r.day) + " " + compactTime(r) + "," + tail(r); },
         Prices::Ohlc,
         true},
        {"day-first ticks, ask and bid",
         {"--layout", "auto"},
         "",
         [](const Row& r) {
             return two(r.day) + ".08.2022 " + r.time + ".534 GMT+0300," + r.ask + "," + r.close + ",2.5,1.1";
         },
         Prices::Bid,
         true},
        {"day-first ticks with a header, their mid",
         {"--layout", "dmy-ticks", "--price", "mid"},
         "Local time\tAsk\tBid\tAskVolume\tBidVolume\r\n",
         [](const Row& r) {
             return two(r.day) + ".08.2022 " + r.time + ".534 GMT+0300\t" + r.ask + "\t" + r.close + "\t2.5\t1.1";
         },
         Prices::Mid,
         false},
        {"day-first bars of the same producer",
         {"--layout", "auto"},
         "Gmt time,Open,High,Low,Close,Volume\r\n",
         [&](const Row& r) { return two(r.day) + ".08.2022 " + r.time + ".000," + tail(r); },
         Prices::Ohlc,
         true},
        {"month first",
         {"--layout", "auto"},
         "",
         [&](const Row& r) { return "08/" + two(r.day) + "/2022," + hhmm(r) + "," + tail(r); },
         Prices::Ohlc,
         true},
        {"decimal comma with semicolons",
         {"--layout", "auto"},
         "",
         [](const Row& r) {
             return "2022-08-" + two(r.day) + ";" + hhmm(r) + ";" + commas(r.open) + ";" + commas(r.high) + ";" +
                    commas(r.low) + ";" + commas(r.close) + ";" + r.volume;
         },
         Prices::Ohlc,
         true},
        {"chosen by single options",
         {"--date-order", "dmy", "--separator", "semicolon", "--decimal-comma"},
         "",
         [](const Row& r) {
             return two(r.day) + "/08/2022;" + r.time + ";" + commas(r.open) + ";" + commas(r.high) + ";" +
                    commas(r.low) + ";" + commas(r.close);
         },
         Prices::Ohlc,
         false},
    };
    for (const Shape& shape : shapes) {
        SCOPED_TRACE(shape.name);
        std::string source = shape.header;
        for (const Row& r : Rows) {
            source += shape.line(r) + "\r\n";
        }
        const TempDir usual;
        const TempDir other;
        ASSERT_EQ(convertSource(usual.path(), usualFile(shape.prices), {}).exitCode, 0);
        const ProgramResult result = convertSource(other.path(), source, shape.options);
        EXPECT_EQ(result.exitCode, 0) << result.out;
        EXPECT_EQ(result.out.find(Detected) != std::string::npos, shape.detected) << result.out;
        const auto expected = barFiles(usual.path());
        ASSERT_EQ(expected.size(), 3U);
        EXPECT_EQ(barFiles(other.path()), expected) << result.out;
    }
}

TEST(SourceLayoutProgramTest, TwoDigitDayFirstDatesStayAsTodayAndTheLogNamesTheOption)
{
    // Read year first, 31.08.22 is 2031-08-22 and the next day 01.09.22 is 2001-09-22: the dates run backwards.
    const std::string source = "30.08.22,10:06,1.0234,1.0236,1.0233,1.0235\r\n"
                               "31.08.22,10:06,1.0235,1.0237,1.0234,1.0236\r\n"
                               "01.09.22,10:06,1.0236,1.0238,1.0235,1.0237\r\n";
    const std::string sameInUsualLayout = "2022/08/30,10:06,1.0234,1.0236,1.0233,1.0235\r\n"
                                          "2022/08/31,10:06,1.0235,1.0237,1.0234,1.0236\r\n"
                                          "2022/09/01,10:06,1.0236,1.0238,1.0235,1.0237\r\n";
    const TempDir automatic;
    const TempDir usual;
    const TempDir dayFirst;
    const TempDir expected;
    const ProgramResult told = convertSource(automatic.path(), source, {});
    EXPECT_NE(told.out.find("--date-order dmy"), std::string::npos) << told.out;
    const ProgramResult silent = convertSource(usual.path(), source, {"--layout", "usual"});
    EXPECT_EQ(silent.out.find("--date-order"), std::string::npos) << silent.out;
    EXPECT_EQ(barFiles(automatic.path()), barFiles(usual.path()));

    convertSource(dayFirst.path(), source, {"--date-order", "dmy"});
    convertSource(expected.path(), sameInUsualLayout, {});
    EXPECT_EQ(barFiles(dayFirst.path()), barFiles(expected.path()));
    EXPECT_FALSE(barFiles(expected.path()).empty());
}

} // namespace

#endif
