// velmora-convert on price files that the reading must find out more about than their layout: written newest line
// first, with epoch times, with a column before the date, with options that fix one part of the layout, or not
// readable at all. Each readable one converts to the bars of the same data in the usual layout, in time order.
#include "cli/ProgramRun.h"
#include "support/TempDir.h"

#include <algorithm>
#include <functional>
#include <gtest/gtest.h>

#ifdef _WIN32
TEST(SourceShapeProgramTest, RunsThroughAPosixShell)
{
    GTEST_SKIP() << "the program is started through a POSIX shell";
}
#else

using namespace velmora::test;

namespace {

struct Row
{
    std::int64_t epoch; ///< seconds since 1970, UTC
    int day;            ///< of August 2022
    std::string time;   ///< HH:MM:SS
    std::string open, high, low, close, ask;
};

std::string two(int n)
{
    return {static_cast<char>('0' + n / 10), static_cast<char>('0' + n % 10)};
}

std::string price(int tenths)
{
    return "1.0" + std::to_string(2000 + tenths);
}

/// Every 37 minutes from 2022-08-15 00:00 UTC over three days, prices in order.
std::vector<Row> rows()
{
    constexpr std::int64_t Start = 1'660'521'600; // 2022-08-15 00:00:00 UTC
    std::vector<Row> list;
    for (int i = 0; i < 120; ++i) {
        const std::int64_t seconds = std::int64_t{i} * 37 * 60;
        const auto ofDay = static_cast<int>(seconds % 86'400);
        const int base = (i * 7) % 50;
        list.push_back({Start + seconds, 15 + static_cast<int>(seconds / 86'400),
                        two(ofDay / 3600) + ":" + two(ofDay / 60 % 60) + ":00", price(base + 2), price(base + 9),
                        price(base), price(base + 5), price(base + 7)});
    }
    return list;
}

/// The rows in the usual layout, in time order; the tick form writes its bid four times.
std::string usualFile(bool ticks)
{
    std::string text;
    for (const Row& r : rows()) {
        const std::string prices = ticks ? r.close + "," + r.close + "," + r.close + "," + r.close
                                         : r.open + "," + r.high + "," + r.low + "," + r.close;
        text += "2022.08." + two(r.day) + "," + r.time.substr(0, 5) + "," + prices + ",17\r\n";
    }
    return text;
}

std::string bars(const Row& r)
{
    return r.open + "," + r.high + "," + r.low + "," + r.close;
}

struct Shape
{
    const char* name;
    std::vector<std::string> options;
    const char* header;
    std::function<std::string(const Row&)> line;
    bool newestFirst;
    bool ticks;
    const char* logged; ///< a piece of the log the reading writes about the file
};

TEST(SourceShapeProgramTest, EveryShapeGivesTheBarsOfTheUsualLayoutInTimeOrder)
{
    const auto iso = [](const Row& r) { return "2022-08-" + two(r.day) + " " + r.time; };
    const auto dayFirstTick = [](const Row& r) {
        return two(r.day) + ".08.2022 " + r.time + ".534 GMT+0300," + r.ask + "," + r.close + ",2.5,1.1";
    };
    const std::vector<Shape> shapes = {
        {"newest first with a header",
         {},
         "timestamp,open,high,low,close,volume\r\n",
         [&](const Row& r) { return iso(r) + "," + bars(r) + ",17"; },
         true,
         false,
         "最後の行から順に読みます"},
        {"newest first in the usual layout",
         {},
         "",
         [](const Row& r) { return "2022.08." + two(r.day) + "," + r.time.substr(0, 5) + "," + bars(r); },
         true,
         false,
         "最後の行から順に読みます"},
        {"two-digit years day first, with the option",
         {"--date-order", "dmy"},
         "",
         [](const Row& r) { return two(r.day) + ".08.22," + r.time.substr(0, 5) + "," + bars(r); },
         false,
         false,
         ""},
        {"day-first ticks with one price option",
         {"--price", "bid"},
         "",
         dayFirstTick,
         false,
         true,
         "「日-月-年、区切りは自動、価格は Bid」"},
        {"day-first ticks without an option",
         {},
         "",
         dayFirstTick,
         false,
         true,
         "「日-月-年、区切りは自動、価格は Bid」"},
        {"epoch seconds with a header and trailing columns",
         {},
         "open_time,open,high,low,close,volume,close_time,n\r\n",
         [](const Row& r) {
             return std::to_string(r.epoch) + "," + bars(r) + ",17," + std::to_string(r.epoch + 59) + ",3";
         },
         false,
         false,
         "UTC の時刻として読みます"},
        {"epoch milliseconds with a header and trailing columns",
         {},
         "open_time,open,high,low,close,volume,close_time\r\n",
         [](const Row& r) {
             return std::to_string(r.epoch * 1000) + "," + bars(r) + ",17," + std::to_string(r.epoch * 1000 + 59'999);
         },
         false,
         false,
         "UTC の時刻として読みます"},
        {"a symbol before the date",
         {},
         "",
         [](const Row& r) {
             return "EURUSD,2022.08." + two(r.day) + "," + r.time.substr(0, 5) + "," + bars(r) + ",17";
         },
         false,
         false,
         "2 列目から"},
        {"year-first ticks, ask and bid",
         {},
         "",
         [](const Row& r) {
             return "2022.08." + two(r.day) + "," + r.time + ".534," + r.ask + "," + r.close + ",2.5,1.1";
         },
         false,
         true,
         "「年-月-日、区切りは自動、価格は Bid」"},
    };
    for (const Shape& shape : shapes) {
        SCOPED_TRACE(shape.name);
        std::vector<Row> written = rows();
        if (shape.newestFirst) {
            std::reverse(written.begin(), written.end());
        }
        std::string source = shape.header;
        for (const Row& r : written) {
            source += shape.line(r) + "\r\n";
        }
        const TempDir usual;
        const TempDir other;
        ASSERT_EQ(convertSource(usual.path(), usualFile(shape.ticks), {}).exitCode, 0);
        const ProgramResult result = convertSource(other.path(), source, shape.options);
        EXPECT_EQ(result.exitCode, 0) << result.out;
        EXPECT_NE(result.out.find(shape.logged), std::string::npos) << result.out;
        // Said once for the file, not once for each of its three jobs.
        if (*shape.logged != '\0') {
            EXPECT_EQ(result.out.find(shape.logged, result.out.find(shape.logged) + 1), std::string::npos)
                << result.out;
        }
        const auto expected = barFiles(usual.path());
        ASSERT_EQ(expected.size(), 3U);
        EXPECT_EQ(barFiles(other.path()), expected) << result.out;
    }
}

TEST(SourceShapeProgramTest, TwoDigitDayFirstDatesOverDaysGetTheHint)
{
    // 15.08.22 to 17.08.22 run forwards both ways, over two days day first and two years year first.
    std::string source;
    for (const Row& r : rows()) {
        source += two(r.day) + ".08.22," + r.time.substr(0, 5) + "," + bars(r) + "\r\n";
    }
    const TempDir folder;
    const ProgramResult result = convertSource(folder.path(), source, {});
    EXPECT_NE(result.out.find("の日付は日-月-年の順に見えますが、年-月-日として読みました（日-月-年で読むには "
                              "--date-order dmy を指定します）"),
              std::string::npos)
        << result.out;
}

TEST(SourceShapeProgramTest, AFileNoneOfWhoseFirstThousandLinesReadsStopsThere)
{
    std::string source;
    for (int i = 0; i < 100'000; ++i) {
        source += "EURUSD;" + std::to_string(i) + ";nonsense;1,2\r\n";
    }
    const TempDir folder;
    const ProgramResult result = convertSource(folder.path(), source, {});
    EXPECT_EQ(result.exitCode, 3);
    // A skipped line is one entry of two lines: the line, then why it was skipped.
    std::vector<std::string> entries;
    for (const std::string& line : lines(result.out)) {
        if (line != "は所定の形式ではないので飛ばします") {
            entries.push_back(line);
        }
    }
    EXPECT_LE(entries.size(), 3U * 25U) << result.out;
    const std::string told = "EURUSD.csv はこの形式では読めません（最初の 1000 行に変換できる行がありません。全 100000 "
                             "行）。--layout、--date-order、--separator、--price、--date-column で形式を指定します";
    EXPECT_EQ(std::count(entries.begin(), entries.end(), told), 3);
    EXPECT_EQ(std::count(entries.begin(), entries.end(), "EURUSD;19;nonsense;1,2"), 3);
    EXPECT_EQ(std::count(entries.begin(), entries.end(), "EURUSD;20;nonsense;1,2"), 0);
    EXPECT_EQ(barFiles(folder.path()).size(), 0U);
}

TEST(SourceShapeProgramTest, PricesOutOfOrderAreToldOnceForAFileRegisteredTwice)
{
    std::string source = usualFile(false);
    source.insert(0, "2022.08.14,23:00,1.02000,1.01000,1.03000,1.02000,17\r\n");
    const TempDir folder;
    const ProgramResult result = convertSource(folder.path(), source, {}, {"EURUSD.csv", "./EURUSD.csv"});
    EXPECT_EQ(result.exitCode, 0) << result.out;
    const std::string warning = "EURUSD.csv の 1 行で高値が安値より低いか";
    const auto first = result.out.find(warning);
    EXPECT_NE(first, std::string::npos) << result.out;
    EXPECT_EQ(result.out.find(warning, first + 1), std::string::npos) << result.out;
}

} // namespace

#endif
