// Weekly and monthly bars, the timeframe names of trading platforms and the volume field, through the real
// velmora-convert on generated files.
#include "cli/ProgramRun.h"
#include "support/TempDir.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <gtest/gtest.h>
#include <map>
#include <sstream>
#include <tuple>

#ifdef _WIN32
TEST(CalendarBarsProgramTest, RunsThroughAPosixShell)
{
    GTEST_SKIP() << "the program is started through a POSIX shell";
}
#else

namespace fs = std::filesystem;
namespace chr = std::chrono;
using namespace velmora::test;

namespace {

/// Runs the program in the folder with the settings file text (empty: defaults); returns its exit status and
/// keeps its log.
int convert(const fs::path& folder, const std::vector<std::string>& args, std::string* log = nullptr,
            std::string_view settings = {})
{
    const TempDir streams;
    std::vector<std::string> all{"--settings", streams.write("velmora.ini", settings).string()};
    all.insert(all.end(), args.begin(), args.end());
    const ProgramResult result = runProgram(all, folder);
    if (log != nullptr) {
        *log = result.out + result.err;
    }
    return result.exitCode;
}

std::vector<std::string> fields(const std::string& line)
{
    std::vector<std::string> parts;
    std::stringstream stream(line);
    for (std::string part; std::getline(stream, part, ',');) {
        parts.push_back(part);
    }
    return parts;
}

std::vector<std::vector<std::string>> barsOf(const fs::path& file)
{
    std::vector<std::vector<std::string>> bars;
    std::stringstream stream(readBytes(file));
    for (std::string line; std::getline(stream, line);) {
        EXPECT_TRUE(line.ends_with('\r')) << file;
        line.pop_back();
        bars.push_back(fields(line));
    }
    return bars;
}

using Minutes = chr::sys_time<chr::minutes>;

Minutes parseLabel(const std::string& date, const std::string& time)
{
    const chr::year_month_day day{chr::year{std::stoi(date.substr(0, 4))},
                                  chr::month{static_cast<unsigned>(std::stoi(date.substr(5, 2)))},
                                  chr::day{static_cast<unsigned>(std::stoi(date.substr(8, 2)))}};
    return chr::sys_days{day} + chr::hours{std::stoi(time.substr(0, 2))} + chr::minutes{std::stoi(time.substr(3, 2))};
}

std::string labelText(Minutes at)
{
    const chr::year_month_day day{chr::floor<chr::days>(at)};
    const chr::hh_mm_ss time{at - chr::floor<chr::days>(at)};
    char text[64];
    std::snprintf(text, sizeof text, "%04d/%02u/%02u,%02ld:%02ld:00", static_cast<int>(day.year()),
                  static_cast<unsigned>(day.month()), static_cast<unsigned>(day.day()),
                  static_cast<long>(time.hours().count()), static_cast<long>(time.minutes().count()));
    return text;
}

/// A 24/7 file from 2023-12-18 to 2024-03-12, a line every 7 minutes with wandering prices and whole volumes:
/// a year end, the end of a leap February and several month ends. Returns the volumes added up.
long long writeSource(const fs::path& path)
{
    std::string bytes;
    std::uint32_t random = 12345;
    long long price = 150000;
    long long volumes = 0;
    for (Minutes at = chr::sys_days{chr::year{2023} / 12 / 18}; at < chr::sys_days{chr::year{2024} / 3 / 12};
         at += chr::minutes{7}) {
        random = random * 1103515245U + 12345U;
        const long long step = static_cast<long long>((random >> 16U) % 201U) - 100;
        const long long open = price;
        price += step;
        const long long high = std::max(open, price) + (random >> 8U) % 40U;
        const long long low = std::min(open, price) - (random >> 4U) % 40U;
        const long long volume = 1 + (random >> 20U) % 50U;
        volumes += volume;
        const auto priceText = [](long long value) {
            return std::to_string(value / 1000) + "." + std::to_string(1000 + value % 1000).substr(1);
        };
        std::string label = labelText(at);
        label.replace(label.find(",") + 6, 3, ""); // hh:mm
        bytes += label + "," + priceText(open) + "," + priceText(high) + "," + priceText(low) + "," + priceText(price) +
                 "," + std::to_string(volume) + "\r\n";
    }
    std::ofstream(path, std::ios::binary) << bytes;
    return volumes;
}

struct CalendarCase
{
    std::string name;
    std::vector<std::string> options;
    int cutHour;
    bool byEnd;
    bool weeksFromSunday; ///< weeks start Sunday at the cut (the default window), else Monday 00:00
    std::vector<std::string> monthLabels;
};

/// The key of the week or the month a daily bar starting at dayStart belongs to, found from the calendar
/// date the bar trades for (its start moved past the evening before when the cut is not midnight).
Minutes weekOf(Minutes dayStart, const CalendarCase& test)
{
    const auto tradingDay = chr::floor<chr::days>(dayStart + chr::hours{(24 - test.cutHour) % 24});
    const chr::weekday weekday{tradingDay};
    if (test.weeksFromSunday) {
        // Monday's day is opened on Sunday at the cut; Sunday's own evening belongs to the next week.
        const auto monday = tradingDay - chr::days{(weekday.iso_encoding() + 6) % 7};
        return monday - chr::hours{(24 - test.cutHour) % 24};
    }
    return tradingDay - chr::days{weekday.iso_encoding() - 1};
}

Minutes monthOf(Minutes dayStart, const CalendarCase& test, int later = 0)
{
    const chr::year_month_day tradingDay{chr::floor<chr::days>(dayStart + chr::hours{(24 - test.cutHour) % 24})};
    const chr::year_month month = tradingDay.year() / tradingDay.month() + chr::months{later};
    return chr::sys_days{month / 1} - chr::hours{(24 - test.cutHour) % 24};
}

/// The weekly or monthly bars made from the daily bars by hand: first open, highest high, lowest low, last
/// close, volumes added, labelled by the period's start or end.
std::vector<std::vector<std::string>> fromDailyBars(const std::vector<std::vector<std::string>>& daily,
                                                    const CalendarCase& test, bool months)
{
    std::map<Minutes, std::vector<std::string>> periods;
    for (const auto& bar : daily) {
        Minutes dayStart = parseLabel(bar[0], bar[1]) - (test.byEnd ? chr::minutes{1440} : chr::minutes{0});
        const Minutes key = months ? monthOf(dayStart, test) : weekOf(dayStart, test);
        auto [at, fresh] = periods.try_emplace(key, bar);
        auto& period = at->second;
        if (!fresh) {
            period[3] = std::stod(bar[3]) > std::stod(period[3]) ? bar[3] : period[3];
            period[4] = std::stod(bar[4]) < std::stod(period[4]) ? bar[4] : period[4];
            period[5] = bar[5];
            period[6] = std::to_string(std::stoll(period[6]) + std::stoll(bar[6]));
        }
        const Minutes label = test.byEnd ? (months ? monthOf(dayStart, test, 1) : key + chr::days{7}) : key;
        const auto text = fields(labelText(label));
        period[0] = text[0];
        period[1] = text[1];
    }
    std::vector<std::vector<std::string>> bars;
    for (const auto& [key, bar] : periods) {
        bars.push_back(bar);
    }
    return bars;
}

TEST(CalendarBarsProgramTest, WeeksAndMonthsAreTheirDailyBarsTakenTogether)
{
    const std::vector<CalendarCase> cases = {
        {"defaults", {}, 17, false, true, {"2023/11/30", "2023/12/31", "2024/01/31", "2024/02/29"}},
        {"labels by end", {"--label", "end"}, 17, true, true, {"2023/12/31", "2024/01/31", "2024/02/29", "2024/03/31"}},
        {"midnight cut, no window",
         {"--cut-time", "00:00", "--no-market-window"},
         0,
         false,
         false,
         {"2023/12/01", "2024/01/01", "2024/02/01", "2024/03/01"}},
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(test.name);
        const TempDir folder;
        const long long allVolumes = writeSource(folder.file("EURUSD_1min_2024.txt"));
        std::vector<std::string> args{"-t", "D1, W1, MN1", "--volume"};
        args.insert(args.end(), test.options.begin(), test.options.end());
        args.push_back("EURUSD_1min_2024.txt");
        ASSERT_EQ(convert(folder.path(), args), 0);

        const auto daily = barsOf(folder.file("EURUSD_Daily_2024.txt"));
        const auto weekly = barsOf(folder.file("EURUSD_Weekly_2024.txt"));
        const auto monthly = barsOf(folder.file("EURUSD_Monthly_2024.txt"));
        EXPECT_EQ(weekly, fromDailyBars(daily, test, false));
        EXPECT_EQ(monthly, fromDailyBars(daily, test, true));

        ASSERT_EQ(monthly.size(), test.monthLabels.size());
        long long monthVolumes = 0;
        for (std::size_t i = 0; i < monthly.size(); ++i) {
            EXPECT_EQ(monthly[i][0], test.monthLabels[i]);
            EXPECT_EQ(monthly[i][1], test.cutHour == 17 ? "17:00:00" : "00:00:00");
            monthVolumes += std::stoll(monthly[i][6]);
        }
        // Twelve weeks and a day: the first week starts before the data, the last ends after it.
        EXPECT_EQ(weekly.size(), 13U);
        if (!test.weeksFromSunday) {
            EXPECT_EQ(monthVolumes, allVolumes); // every line in one month, each read once
        }
    }
}

TEST(CalendarBarsProgramTest, AliasesWriteTheFilesOfTheirNumbers)
{
    const TempDir byAlias;
    const TempDir byNumber;
    for (const auto* folder : {&byAlias, &byNumber}) {
        writeSource(folder->file("USDJPY_2024.txt"));
    }
    std::string aliasLog;
    std::string numberLog;
    ASSERT_EQ(convert(byAlias.path(), {"-t", "M1, m5, M15, M30, H1, h4, D1", "USDJPY_2024.txt"}, &aliasLog), 0);
    ASSERT_EQ(convert(byNumber.path(), {"-t", "1, 5, 15, 30, 60, 240, 1440", "USDJPY_2024.txt"}, &numberLog), 0);

    const auto names = folderNames(byAlias.path());
    EXPECT_EQ(names, folderNames(byNumber.path()));
    EXPECT_EQ(names.size(), 8U);
    for (const auto& name : names) {
        EXPECT_EQ(readBytes(byAlias.file(name)), readBytes(byNumber.file(name))) << name;
    }
    // The same log but for the elapsed time at its end.
    EXPECT_EQ(aliasLog.substr(0, aliasLog.rfind("\n", aliasLog.size() - 2)),
              numberLog.substr(0, numberLog.rfind("\n", numberLog.size() - 2)));
}

TEST(CalendarBarsProgramTest, VolumesAddUpOrCountLinesAndFillBarsCarryZero)
{
    struct Case
    {
        std::string name;
        std::string source;
        std::vector<std::string> bars;
    };
    const std::vector<Case> cases = {
        {"volume field",
         "2024/01/02,10:00,1.10,1.12,1.09,1.11,3\r\n"
         "2024/01/02,10:01,1.11,1.13,1.10,1.12,2.5\r\n"
         "2024/01/02,10:07,1.12,1.12,1.11,1.11,4\r\n"
         "2024/01/02,10:16,1.11,1.14,1.11,1.13,0.25\r\n",
         {"2024/01/02,10:00:00,1.10,1.13,1.09,1.12,5.5", "2024/01/02,10:05:00,1.12,1.12,1.11,1.11,4",
          "2024/01/02,10:10:00,1.11,1.11,1.11,1.11,0", "2024/01/02,10:15:00,1.11,1.14,1.11,1.13,0.25"}},
        {"no volume field: lines counted",
         "2024/01/02,10:00,1.10,1.12,1.09,1.11\r\n"
         "2024/01/02,10:01,1.11,1.13,1.10,1.12\r\n"
         "2024/01/02,10:07,1.12,1.12,1.11,1.11\r\n"
         "2024/01/02,10:16,1.11,1.14,1.11,1.13",
         {"2024/01/02,10:00:00,1.10,1.13,1.09,1.12,2", "2024/01/02,10:05:00,1.12,1.12,1.11,1.11,1",
          "2024/01/02,10:10:00,1.11,1.11,1.11,1.11,0", "2024/01/02,10:15:00,1.11,1.14,1.11,1.13,1"}},
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(test.name);
        const TempDir folder;
        folder.write("GOLD_1min.txt", test.source);
        ASSERT_EQ(convert(folder.path(), {"-t", "5", "--volume", "GOLD_1min.txt"}), 0);
        std::string expected;
        for (const auto& bar : test.bars) {
            expected += bar + "\r\n";
        }
        EXPECT_EQ(readBytes(folder.file("GOLD_5min.txt")), expected);
    }
}

TEST(CalendarBarsProgramTest, TheSettingsFileTurnsVolumesOnAndTheCommandLineOff)
{
    const std::string source = "2024/01/02,10:00,1.10,1.12,1.09,1.11,3\r\n";
    const std::vector<std::tuple<std::string, std::string, std::string>> cases = {
        {"[Bars]\r\nAppendVolume=1\r\n", "", "2024/01/02,10:00:00,1.10,1.12,1.09,1.11,3\r\n"},
        {"[Bars]\r\nAppendVolume=1\r\n", "--no-volume", "2024/01/02,10:00:00,1.10,1.12,1.09,1.11\r\n"},
        {"[Bars]\r\nAppendVolume=0\r\n", "", "2024/01/02,10:00:00,1.10,1.12,1.09,1.11\r\n"},
    };
    for (const auto& [settings, option, bar] : cases) {
        SCOPED_TRACE(settings + option);
        const TempDir folder;
        folder.write("GOLD_1min.txt", source);
        std::vector<std::string> args{"-t", "5", "GOLD_1min.txt"};
        if (!option.empty()) {
            args.push_back(option);
        }
        ASSERT_EQ(convert(folder.path(), args, nullptr, settings), 0);
        EXPECT_EQ(readBytes(folder.file("GOLD_5min.txt")), bar);
    }
}

} // namespace

#endif
