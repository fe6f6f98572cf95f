// velmora-convert as a real program: its own process, real files, its exit status.
#include "cli/CliTestData.h"
#include "cli/ProgramRun.h"
#include "support/TempDir.h"

#include <algorithm>
#include <gtest/gtest.h>
#ifndef _WIN32
#include <unistd.h> // geteuid
#endif

#ifdef _WIN32
TEST(ConvertProgramTest, RunsThroughAPosixShell)
{
    GTEST_SKIP() << "every test here starts the program through a POSIX shell; scripts/wine-check.sh runs the "
                    "Windows program on the sample, in a Japanese folder and with Ctrl-C";
}
#else

namespace fs = std::filesystem;
using namespace velmora::test;

namespace {

/// The log without its last line, the elapsed time, which is checked for its form only.
std::vector<std::string> logWithoutElapsed(std::string_view out)
{
    auto rows = lines(out);
    if (rows.empty()) {
        ADD_FAILURE() << "empty log";
        return rows;
    }
    const auto& last = rows.back();
    EXPECT_TRUE(last.size() > 2 && last.ends_with("ms") &&
                std::all_of(last.begin(), last.end() - 2, [](char c) { return c >= '0' && c <= '9'; }))
        << last;
    rows.pop_back();
    return rows;
}

std::vector<std::string> folderContents(const fs::path& folder)
{
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

} // namespace

TEST(ConvertProgramTest, ConvertsASampleLikeFileIntoItsFourFiles)
{
    const TempDir dir;
    dir.write(SourceName, SundayOpen);
    const auto result = runProgram({std::string(SourceName)}, dir.path()); // a name relative to the folder
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.err, "");
    EXPECT_EQ(
        logWithoutElapsed(result.out),
        (std::vector<std::string>{"EURUSD_5min_2009.txt を書き出しました", "EURUSD_1hour_2009.txt を書き出しました",
                                  "EURUSD_4hour_2009.txt を書き出しました", "EURUSD_Daily_2009.txt を書き出しました",
                                  "処理が完了しました"}));
    EXPECT_EQ(readBytes(dir.file("EURUSD_5min_2009.txt")), defaultFiveMinuteBars());
    EXPECT_EQ(readBytes(dir.file("EURUSD_1hour_2009.txt")), wholeQuarterHourBar());
    EXPECT_EQ(readBytes(dir.file("EURUSD_4hour_2009.txt")), wholeQuarterHourBar());
    EXPECT_EQ(readBytes(dir.file("EURUSD_Daily_2009.txt")), wholeQuarterHourBar());
}

TEST(ConvertProgramTest, ConvertsTheBundledSample)
{
    const TempDir dir;
    fs::copy_file(fs::path(VELMORA_SAMPLES_DIR) / SourceName, dir.file(SourceName));
    const auto result = runProgram({dir.file(SourceName).string()}, dir.path());
    EXPECT_EQ(result.exitCode, 0) << result.err;

    // Three trading weeks: Sunday 17:00 to Friday 17:00 is five days of bars per week, gaps filled.
    const std::pair<std::string_view, std::size_t> expected[] = {
        {"EURUSD_5min_2009.txt", 3 * 5 * 288},
        {"EURUSD_1hour_2009.txt", 3 * 5 * 24},
        {"EURUSD_4hour_2009.txt", 3 * 5 * 6},
        {"EURUSD_Daily_2009.txt", 3 * 5},
    };
    for (const auto& [name, count] : expected) {
        const auto bytes = readBytes(dir.file(name));
        EXPECT_EQ(static_cast<std::size_t>(std::count(bytes.begin(), bytes.end(), '\n')), count) << name;
        EXPECT_TRUE(bytes.starts_with("2009/01/04,17:00:00,1.3450,")) << name;
    }
    const auto daily = lines(readBytes(dir.file("EURUSD_Daily_2009.txt")));
    ASSERT_EQ(daily.size(), 15U);
    EXPECT_TRUE(daily.back().starts_with("2009/01/22,17:00:00,")) << daily.back();
}

TEST(ConvertProgramTest, SettingsFileChangesTheOutputAsTheWindowsOptionsWould)
{
    const TempDir dir;
    const auto source = dir.write(SourceName, SundayOpen);
    // Key names in any letter case, "0x" numbers, and a file list that the command line replaces.
    const auto settings = dir.write("velmora.ini", "[Form]\r\n"
                                                   "minute=5\r\n"
                                                   "radiogroup1=1\r\n"
                                                   "DateSeparator=.\r\n"
                                                   "ShortTimeFormat=hh:nn\r\n"
                                                   "TimeZoneEditValue=2\r\n"
                                                   "CheckBox1=0\r\n"
                                                   "MktCloseYoubi=0x0\r\n"
                                                   "MktCloseTime=17:15\r\n"
                                                   "ListBox=/nowhere/USDJPY_1min.txt\r\n");
    const auto result = runProgram({"--settings", settings.string(), source.string()}, dir.path());
    EXPECT_EQ(result.exitCode, 0) << result.err;
    // Labelled by their ends (market window moved on by the bar width with them), shifted by two hours, no
    // fill bar, and the window closing on Sunday at 17:15 (17:20 with the labels) keeps the last bar out.
    EXPECT_EQ(readBytes(dir.file("EURUSD_5min_2009.txt")), barFile({"2009.01.04,19:05,1.3000,1.3010,1.2990,1.2992",
                                                                    "2009.01.04,19:10,1.2992,1.2999,1.2991,1.2998"}));
    EXPECT_EQ(folderContents(dir.path()),
              (std::vector<std::string>{"EURUSD_1min_2009.txt", "EURUSD_5min_2009.txt", "velmora.ini"}));
    EXPECT_EQ(readBytes(settings).find("Top"), std::string::npos) << "the settings file is only read";
}

TEST(ConvertProgramTest, EveryOptionTakesEffect)
{
    struct Case
    {
        std::vector<std::string> args;
        std::string output;   // the file to check
        std::string expected; // its bytes
        std::string settings = {};
        std::string_view source = SundayOpen;
        std::string existing = {}; // the output's bytes before the run, when it exists
    };
    const std::string d1 = "2009/01/04,17:00:00,1.3000,1.3010,1.2990,1.2992";
    const std::string d2 = "2009/01/04,17:05:00,1.2992,1.2999,1.2991,1.2998";
    const std::string d3 = "2009/01/04,17:10:00,1.2998,1.2998,1.2998,1.2998";
    const std::string d4 = "2009/01/04,17:15:00,1.2998,1.3020,1.2998,1.3015";
    const std::string cut1 = "2009/01/04,17:02:00,1.3008,1.3009,1.2990,1.2998";
    const std::string cut2 = "2009/01/04,17:07:00,1.2998,1.2998,1.2998,1.2998";
    const std::string cut3 = "2009/01/04,17:12:00,1.2998,1.3020,1.2998,1.3015";
    const std::string five = "EURUSD_5min_2009.txt";
    const std::string defaults = defaultFiveMinuteBars();
    const Case cases[] = {
        {{"-t", "15"},
         "EURUSD_15min_2009.txt",
         barFile(
             {"2009/01/04,17:00:00,1.3000,1.3010,1.2990,1.2998", "2009/01/04,17:15:00,1.2998,1.3020,1.2998,1.3015"})},
        {{"--timeframes=5.60"}, "EURUSD_1hour_2009.txt", wholeQuarterHourBar()},
        {{"--cut-time", "17:02"}, five, barFile({cut1, cut2, cut3})},
        {{"--label", "end"},
         five,
         barFile({"2009/01/04,17:05:00,1.3000,1.3010,1.2990,1.2992", "2009/01/04,17:10:00,1.2992,1.2999,1.2991,1.2998",
                  "2009/01/04,17:15:00,1.2998,1.2998,1.2998,1.2998",
                  "2009/01/04,17:20:00,1.2998,1.3020,1.2998,1.3015"})},
        {{"--label", "start"}, five, defaults, "[Form]\r\nRadioGroup1=1\r\n"},
        {{"--no-fill"}, five, barFile({d1, d2, d4})},
        {{"--fill"}, five, defaults, "[Form]\r\nCheckBox1=0\r\n"},
        {{"--cut-time", "17:02", "--no-market-window"},
         five,
         barFile({"2009/01/04,16:57:00,1.3000,1.3010,1.2995,1.3008", cut1, cut2, cut3})},
        {{"--cut-time", "17:02", "--market-window"}, five, barFile({cut1, cut2, cut3}), "[Form]\r\nCheckBox2=0\r\n"},
        {{"--open-day", "mon"}, five, ""},
        {{"--open-time", "17:06"}, five, barFile({d3, d4})},
        {{"--close-day", "sun", "--close-time", "17:10"}, five, barFile({d1, d2})},
        {{"--time-zone", "7"},
         five,
         barFile({"2009/01/05,00:00:00,1.3000,1.3010,1.2990,1.2992", "2009/01/05,00:05:00,1.2992,1.2999,1.2991,1.2998",
                  "2009/01/05,00:10:00,1.2998,1.2998,1.2998,1.2998",
                  "2009/01/05,00:15:00,1.2998,1.3020,1.2998,1.3015"})},
        {{"--date-field", "2"}, five, defaults, "", SundayOpenWithSymbol},
        {{"--date-separator", "-"},
         five,
         barFile({"2009-01-04,17:00:00,1.3000,1.3010,1.2990,1.2992", "2009-01-04,17:05:00,1.2992,1.2999,1.2991,1.2998",
                  "2009-01-04,17:10:00,1.2998,1.2998,1.2998,1.2998",
                  "2009-01-04,17:15:00,1.2998,1.3020,1.2998,1.3015"})},
        {{"--time-format", "hh:nn"},
         five,
         barFile({"2009/01/04,17:00,1.3000,1.3010,1.2990,1.2992", "2009/01/04,17:05,1.2992,1.2999,1.2991,1.2998",
                  "2009/01/04,17:10,1.2998,1.2998,1.2998,1.2998", "2009/01/04,17:15,1.2998,1.3020,1.2998,1.3015"})},
        {{"-t", "1440", "--drop-time"}, "EURUSD_Daily_2009.txt", barFile({"2009/01/04,1.3000,1.3020,1.2990,1.3015"})},
        {{"-t", "1440", "--keep-time"}, "EURUSD_Daily_2009.txt", wholeQuarterHourBar(), "[Form]\r\nCheckBox3=1\r\n"},
        {{"--extension", "csv"}, "EURUSD_5min_2009.csv", defaults},
        {{"--no-extension"}, five, defaults, "[Form]\r\nCheckBox4=1\r\nEditExt=.csv\r\n"},
        {{"--overwrite"}, five, defaults, "", SundayOpen, "old\r\n"},
        {{"--no-overwrite"}, five, "old\r\n", "[Form]\r\nCheckBox6=1\r\n", SundayOpen, "old\r\n"},
        {{"--summer"},
         five,
         barFile({d1, "2009/01/04,18:05:00,1.2992,1.2999,1.2991,1.2998",
                  "2009/01/04,18:10:00,1.2998,1.2998,1.2998,1.2998", d4}),
         "[Summer]\r\nOpenListBox=2009/01/04 17:05\r\nCloseListBox=2009/01/04 17:15\r\nGapListBox=60\r\n"},
        {{"--no-summer"},
         five,
         defaults,
         "[Summer]\r\nCheckBox1=1\r\nOpenListBox=2009/01/04 17:05\r\nCloseListBox=2009/01/04 "
         "17:15\r\nGapListBox=60\r\n"},
    };
    for (const auto& c : cases) {
        const TempDir dir;
        const auto source = dir.write(SourceName, c.source);
        const auto settings = dir.write("settings.ini", c.settings);
        if (!c.existing.empty()) {
            dir.write(c.output, c.existing);
        }
        std::vector<std::string> args{"--settings", settings.string(), "-t", "5"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        args.push_back(source.string());

        const auto result = runProgram(args, dir.path());
        const auto what = ::testing::PrintToString(c.args);
        if (c.expected.empty()) {
            // No bar at all: nothing is written, and the status says so.
            EXPECT_EQ(result.exitCode, 3) << what << "\n" << result.err;
            EXPECT_EQ(fs::exists(dir.file(c.output)), !c.existing.empty()) << what;
            continue;
        }
        EXPECT_EQ(result.exitCode, 0) << what << "\n" << result.err;
        EXPECT_TRUE(fs::exists(dir.file(c.output))) << what;
        EXPECT_EQ(readBytes(dir.file(c.output)), c.expected) << what;
    }
}

TEST(ConvertProgramTest, AJobWithoutBarsLeavesAGoodOlderFileAndSaysSo)
{
    const std::string good = "2009/01/04,17:00:00,1.3000,1.3010,1.2995,1.3008\r\n";
    const std::string bars = "2009.01.05,09:07,1.4705,1.4712,1.4701,1.4702\r\n";
    struct Case
    {
        std::string source;
        std::vector<std::string> options;
        std::string logLine;
    };
    const std::vector<Case> cases = {
        // Day-first dates with the usual reading kept: no usable line.
        {"01/01/2010 00:00:07.534,1.43156,1.43151,2.5,1.1\r\n",
         {"--layout", "usual"},
         "E_5min.txt は変換できる行がないので書き出しません"},
        {"", {}, "E_5min.txt は変換できる行がないので書き出しません"},
        // A Monday bar with a window that opens on Tuesday: no bar inside the window.
        {bars, {"--open-day", "tue"}, "E_5min.txt は市場の時間帯に入る足がないので書き出しません"},
    };
    for (const auto& c : cases) {
        for (const bool older : {true, false}) {
            const TempDir dir;
            const auto source = dir.write("E_1min.txt", c.source);
            if (older) {
                dir.write("E_5min.txt", good);
            }
            std::vector<std::string> args{"--settings", dir.write("settings.ini", "").string(), "-t", "5",
                                          "--overwrite"};
            args.insert(args.end(), c.options.begin(), c.options.end());
            args.push_back(source.string());

            const auto result = runProgram(args, dir.path());
            const auto what = ::testing::PrintToString(c.options) + (older ? " over an older file" : "");
            EXPECT_EQ(result.exitCode, 3) << what << "\n" << result.err;
            const auto log = logWithoutElapsed(result.out);
            EXPECT_NE(std::find(log.begin(), log.end(), c.logLine), log.end()) << what << "\n" << result.out;
            EXPECT_EQ(log.back(), "処理が完了しました") << what;
            if (older) {
                EXPECT_EQ(readBytes(dir.file("E_5min.txt")), good) << what;
            } else {
                EXPECT_FALSE(fs::exists(dir.file("E_5min.txt"))) << what;
            }
            EXPECT_EQ(folderNames(dir.path()).size(), older ? 3U : 2U) << "no temporary file left: " << what;
        }
    }
    // The same window on a file whose bars it takes: a job that writes its file keeps the status at 0.
    const TempDir dir;
    const auto source = dir.write("E_1min.txt", bars);
    const auto result =
        runProgram({"--settings", dir.write("settings.ini", "").string(), "-t", "5", source.string()}, dir.path());
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_TRUE(fs::exists(dir.file("E_5min.txt")));
}

TEST(ConvertProgramTest, AByteOrderMarkIsNoPartOfTheFirstLine)
{
    // The first line is the first bar's open: read with the mark in front, it was skipped as unreadable.
    const std::string source = "2009.01.05,09:07,1.4705,1.4712,1.4701,1.4702\r\n"
                               "2009.01.05,09:08,1.4702,1.4720,1.4700,1.4719\r\n";
    std::vector<std::string> outputs;
    for (const std::string& mark : {std::string(), std::string("\xEF\xBB\xBF")}) {
        const TempDir dir;
        const auto file = dir.write("E_1min.txt", mark + source);
        const auto settings = dir.write("settings.ini", "");
        const auto result = runProgram({"--settings", settings.string(), "-t", "5", file.string()}, dir.path());
        EXPECT_EQ(result.exitCode, 0) << result.err;
        EXPECT_EQ(lines(result.out).size(), 3U) << "no line skipped: " << result.out;
        outputs.push_back(readBytes(dir.file("E_5min.txt")));
    }
    EXPECT_EQ(outputs[1], outputs[0]);
    EXPECT_EQ(outputs[0], "2009/01/05,09:05:00,1.4705,1.4720,1.4700,1.4719\r\n");
}

TEST(ConvertProgramTest, PricesOutOfOrderAreCountedOncePerFileAndATickFileIsReadAsTicks)
{
    // A tick file of ask, bid, ask volume, bid volume, every line out of order as open, high, low, close, is not
    // taken as bars: detection reads it as ticks. The other file is in order but for two lines, and is counted.
    std::string ticks;
    std::string bars;
    for (int i = 0; i < 600; ++i) {
        const std::string time = "00:" + std::string(i / 60 < 10 ? "0" : "") + std::to_string(i / 60) + ":" +
                                 (i % 60 < 10 ? "0" : "") + std::to_string(i % 60);
        ticks += "2010.01.04," + time + ",1.43156,1.43151,2.5,1.1\r\n";
        const bool swapped = i == 100 || i == 400;
        bars +=
            "2010.01.04," + time + (swapped ? ",1.4316,1.4310,1.4320,1.4315\r\n" : ",1.4316,1.4320,1.4310,1.4315\r\n");
    }
    const TempDir dir;
    const auto tickFile = dir.write("T_1min.txt", ticks);
    const auto barFile = dir.write("B_1min.txt", bars);
    const auto result = runProgram(
        {"--settings", dir.write("settings.ini", "").string(), "-t", "5, 60", tickFile.string(), barFile.string()},
        dir.path());
    EXPECT_EQ(result.exitCode, 0) << result.err;
    const auto log = logWithoutElapsed(result.out);
    const std::string warning =
        " 行で高値が安値より低いか、始値か終値が高値と安値の範囲の外にあります（列が始値・高値・"
        "安値・終値の順でないかもしれません）";
    EXPECT_EQ(log, (std::vector<std::string>{
                       "T_1min.txt は「年-月-日、区切りは自動、価格は Bid」の形式と判断して読みます",
                       "T_5min.txt を書き出しました", "B_5min.txt を書き出しました", "B_1min.txt の 2" + warning,
                       "T_1hour.txt を書き出しました", "B_1hour.txt を書き出しました", "処理が完了しました"}));
    EXPECT_TRUE(
        readBytes(dir.file("T_5min.txt")).starts_with("2010/01/04,00:00:00,1.43151,1.43151,1.43151,1.43151\r\n"));
}

TEST(ConvertProgramTest, ABoxShownForEveryLineIsShownOnceAndCounted)
{
    // Day-first dates read with the usual reading only: every line shows the same box.
    std::string source;
    for (int i = 0; i < 10'000; ++i) {
        source += "01.01.2010,00:00,1.4316,1.4320,1.4310,1.4315\r\n";
    }
    const TempDir dir;
    const auto file = dir.write("D_1min.txt", source);
    const auto result = runProgram(
        {"--settings", dir.write("settings.ini", "").string(), "-t", "5", "--layout", "usual", file.string()},
        dir.path());
    EXPECT_EQ(result.exitCode, 3);
    EXPECT_EQ(result.err, "日付の区切り文字の設定に失敗しました(想定外のエラー)\n");
    const auto log = logWithoutElapsed(result.out);
    const std::vector<std::string> end(log.end() - 4, log.end());
    EXPECT_EQ(end,
              (std::vector<std::string>{"D_1min.txt には変換できる行がありません",
                                        "「日付の区切り文字の設定に失敗しました(想定外のエラー)」は 10000 "
                                        "行で出ました（2 回目からは表示していません）",
                                        "D_5min.txt は変換できる行がないので書き出しません", "処理が完了しました"}));
}

TEST(ConvertProgramTest, UsageErrorsWriteNothing)
{
    // One of each kind; the value checks themselves are CliOptionsTest's.
    const std::vector<std::string> cases[] = {
        {"--bogus"},   {"--time-zone", "abc"}, {"-t", "5,,60"}, {"--fill=yes"}, {"--settings", "no-such-settings.ini"},
        {"--linkage"},
    };
    for (const auto& c : cases) {
        const TempDir dir;
        const auto source = dir.write(SourceName, SundayOpen);
        auto args = c;
        args.push_back(source.string());
        const auto result = runProgram(args, dir.path());
        const auto what = ::testing::PrintToString(c);
        EXPECT_EQ(result.exitCode, 2) << what;
        EXPECT_TRUE(result.err.starts_with("velmora-convert: ")) << what << ": " << result.err;
        EXPECT_EQ(result.out, "") << what;
        EXPECT_EQ(folderContents(dir.path()), std::vector<std::string>{std::string(SourceName)}) << what;
    }

    const TempDir dir;
    const auto result = runProgram({"-t", "5"}, dir.path());
    EXPECT_EQ(result.exitCode, 2);
    EXPECT_NE(result.err.find("no source file"), std::string::npos);
}

TEST(ConvertProgramTest, AMissingSourceEndsTheRunAfterTheJobsBeforeIt)
{
    const TempDir dir;
    const auto good = dir.write(SourceName, SundayOpen);
    const auto missing = dir.file("GBPUSD_1min_2009.txt");
    const auto result = runProgram({"-t", "5, 60", good.string(), missing.string()}, dir.path());
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.err, "ファイル " + missing.string() + " は開けません\n");
    EXPECT_EQ(lines(result.out), std::vector<std::string>{"EURUSD_5min_2009.txt を書き出しました"});
    EXPECT_EQ(readBytes(dir.file("EURUSD_5min_2009.txt")), defaultFiveMinuteBars());
    EXPECT_FALSE(fs::exists(dir.file("EURUSD_1hour_2009.txt"))) << "the run ends at the first error";
}

TEST(ConvertProgramTest, SkipsAnExistingOutputWhenNoTerminalCanBeAsked)
{
    const TempDir dir;
    const auto source = dir.write(SourceName, SundayOpen);
    dir.write("EURUSD_5min_2009.txt", "old\r\n");
    const auto result = runProgram({"-t", "5, 60", source.string()}, dir.path());
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(logWithoutElapsed(result.out),
              (std::vector<std::string>{"EURUSD_5min_2009.txtの保存をキャンセルします...",
                                        "EURUSD_1hour_2009.txt を書き出しました", "処理が完了しました"}));
    EXPECT_EQ(readBytes(dir.file("EURUSD_5min_2009.txt")), "old\r\n");
}

TEST(ConvertProgramTest, WritesTheGapReportAskedForOnTheCommandLineOrInTheSettings)
{
    // SundayOpen has no line from 17:06 to 17:15: ten minutes, a hole for a threshold of nine.
    struct Case
    {
        const char* name;
        std::string settings;
        std::vector<std::string> options;
        std::vector<std::string> reportLines; ///< the log lines between the last file and the end
        bool csv;
    };
    const std::string summary = "EURUSD_1min_2009.txt の欠け (9 分を超えるもの): 1 か所、最長 10 分 "
                                "(2009/01/04 17:06 から)、埋めた足 5min 1 本";
    const std::string hole = "    2009/01/04 17:06 - 2009/01/04 17:16 10 分、埋めた足 5min 1 本";
    const std::vector<Case> cases{
        {"not asked", "", {}, {}, false},
        {"the file", "", {"--gap-report", "gaps.csv", "--gap-minutes", "9"}, {summary}, true},
        {"the settings", "[GapReport]\r\nEnabled=1\r\nMinutes=9\r\n", {}, {summary}, false},
        {"the list", "[GapReport]\r\nListInLog=1\r\nMinutes=9\r\n", {}, {summary, hole}, false},
        {"the default threshold",
         "",
         {"--gap-log"},
         {"EURUSD_1min_2009.txt の欠け (30 分を超えるもの): なし、"
          "埋めた足 5min 1 本"},
         false},
        {"turned off", "[GapReport]\r\nEnabled=1\r\n", {"--no-gap-log"}, {}, false},
    };
    for (const auto& c : cases) {
        const TempDir dir;
        const auto source = dir.write(SourceName, SundayOpen);
        std::vector<std::string> args{"--settings", dir.write("settings.ini", c.settings).string(), "-t", "5"};
        args.insert(args.end(), c.options.begin(), c.options.end());
        args.push_back(source.string());
        const auto result = runProgram(args, dir.path());
        EXPECT_EQ(result.exitCode, 0) << c.name << ": " << result.err;
        auto rows = lines(result.out);
        ASSERT_GE(rows.size(), 3U) << c.name;
        EXPECT_EQ(std::vector<std::string>(rows.begin() + 1, rows.end() - 2), c.reportLines) << c.name;
        EXPECT_EQ(readBytes(dir.file("EURUSD_5min_2009.txt")), defaultFiveMinuteBars()) << c.name;
        EXPECT_EQ(fs::exists(dir.file("gaps.csv")), c.csv) << c.name;
        if (c.csv) {
            EXPECT_EQ(readBytes(dir.file("gaps.csv")), "source,start,end,minutes,fill_5min\r\n" + source.string() +
                                                           ",2009-01-04 17:06,2009-01-04 17:16,10,1\r\n")
                << c.name;
        }
    }
}

/// A copy of the program in a folder of its own, as an installation puts it; the folder is made writable again
/// before it is removed.
class InstalledCopy
{
public:
    explicit InstalledCopy(const fs::path& folder) : m_folder(folder)
    {
        fs::create_directories(folder);
        fs::copy_file(VELMORA_CONVERT_PATH, program());
    }
    ~InstalledCopy() { fs::permissions(m_folder, fs::perms::owner_all, fs::perm_options::add); }
    InstalledCopy(const InstalledCopy&) = delete;
    InstalledCopy& operator=(const InstalledCopy&) = delete;
    fs::path program() const { return m_folder / "velmora-convert"; }
    void makeReadOnly() const { fs::permissions(m_folder, fs::perms::owner_write, fs::perm_options::remove); }

private:
    fs::path m_folder;
};

TEST(ConvertProgramTest, AnInstalledProgramReadsTheSettingsInTheUsersFolderUnlessSomeLieBesideIt)
{
    if (::geteuid() == 0) {
        GTEST_SKIP() << "running as root, which writes into any folder: the program folder cannot be read-only";
    }
    struct Case
    {
        const char* what;
        bool writableProgramFolder;
        bool settingsBeside;
        const char* expectedFile; // the one timeframe the settings file that counts asks for
    };
    const Case cases[] = {
        {"installed: the user's folder", false, false, "EURUSD_1hour_2009.txt"},
        {"installed with settings beside it", false, true, "EURUSD_5min_2009.txt"},
        {"portable: beside it, none yet", true, false, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const TempDir dir;
        const InstalledCopy installed(dir.file("bin"));
        const auto source = dir.write("work/" + std::string(SourceName), SundayOpen);
        dir.write("config/velmora/velmora.ini", "[Form]\r\nminute=60\r\n");
        if (c.settingsBeside) {
            dir.write("bin/velmora.ini", "[Form]\r\nminute=5\r\n");
        }
        if (!c.writableProgramFolder) {
            installed.makeReadOnly();
        }
        const auto result = runProgram({source.string()}, dir.file("work"), installed.program(),
                                       "XDG_CONFIG_HOME=" + shellQuoted(dir.file("config").string()));
        EXPECT_EQ(result.exitCode, 0) << result.err;
        const auto made = folderContents(dir.file("work"));
        if (*c.expectedFile != '\0') {
            std::vector<std::string> expected{std::string(SourceName), c.expectedFile};
            std::sort(expected.begin(), expected.end());
            EXPECT_EQ(made, expected);
        } else {
            EXPECT_EQ(made.size(), 5U) << "the four default timeframes";
        }
        EXPECT_FALSE(fs::exists(dir.file("bin/velmora.ini")) && !c.settingsBeside) << "the tool never writes it";
    }
}

#endif
