// velmora-convert --linkage: the batch over the download tool's folders, in-process and as the real program.
#include "cli/CliRunner.h"
#include "cli/CliTestData.h"
#include "support/TempDir.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <sstream>
#ifndef _WIN32
#include <sys/wait.h> // WIFEXITED, WEXITSTATUS
#endif

namespace fs = std::filesystem;
using namespace velmora::test;
using velmora::cli::CliEnvironment;

namespace {

const velmora::FixedClock stillClock({2009, 1, 23}, 5000);

struct Result
{
    int exitCode = -1;
    std::string out;
    std::string err;
};

Result run(std::vector<std::string> args)
{
    CliEnvironment environment;
    environment.clock = &stillClock;
    std::ostringstream out;
    std::ostringstream err;
    Result result;
    result.exitCode = velmora::cli::runCli(args, out, err, environment);
    result.out = out.str();
    result.err = err.str();
    return result;
}

#ifndef _WIN32
std::string shellQuoted(std::string_view word)
{
    std::string text = "'";
    for (const char c : word) {
        text += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return text + "'";
}

/// The real program, started in the folder with standard input from /dev/null (no terminal to ask).
Result runProgram(const std::vector<std::string>& args, const fs::path& folder)
{
    const TempDir streams;
    std::string command = "cd " + shellQuoted(folder.string()) + " && " + shellQuoted(VELMORA_CONVERT_PATH);
    for (const auto& arg : args) {
        command += ' ' + shellQuoted(arg);
    }
    command +=
        " </dev/null >" + shellQuoted(streams.file("out").string()) + " 2>" + shellQuoted(streams.file("err").string());
    const int status = std::system(command.c_str());
    Result result;
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    result.out = readBytes(streams.file("out"));
    result.err = readBytes(streams.file("err"));
    return result;
}

#endif

/// A download tool's folder with three instruments, and a settings file of our own beside it.
class LinkageCliTest : public ::testing::Test
{
protected:
    TempDir m_tool;
    TempDir m_home;
    std::string m_settings = m_home.file("velmora.ini").string();

    void SetUp() override
    {
        m_tool.write("Quenbry.exe", "");
        for (const auto currency : {"EURUSD", "USDJPY", "GBPUSD"}) {
            writeFile(source(currency), SundayOpen);
        }
    }
    fs::path source(std::string_view currency) const
    {
        return m_tool.path() / "HistoricalData" / currency / "1min" / (std::string(currency) + "_1min_2009.txt");
    }
    fs::path output(std::string_view currency, std::string_view label) const
    {
        return m_tool.path() / "HistoricalData" / currency / label /
               (std::string(currency) + "_" + std::string(label) + "_2009.txt");
    }
    void settings(std::string_view form2, std::string_view form = "")
    {
        m_home.write("velmora.ini", "[Form]\r\n" + std::string(form) + "[Form2]\r\n" + std::string(form2));
    }
    Result linkage(std::vector<std::string> extra = {})
    {
        std::vector<std::string> args{"--linkage", "--tool-dir", m_tool.path().string(), "--settings", m_settings};
        args.insert(args.end(), extra.begin(), extra.end());
        return run(args);
    }
};

} // namespace

TEST_F(LinkageCliTest, ConvertsTheCheckedFoldersAndSkipsThemWhenNothingIsNew)
{
    settings("CheckList=USDJPYEURUSD\r\nEdit1.Text=5, 60, 240, 1440\r\n");
    auto result = linkage();
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.err, "");
    for (const auto currency : {"EURUSD", "USDJPY"}) {
        EXPECT_EQ(readBytes(output(currency, "5min")), defaultFiveMinuteBars()) << currency;
        EXPECT_EQ(readBytes(output(currency, "1hour")), wholeQuarterHourBar()) << currency;
        EXPECT_EQ(readBytes(output(currency, "4hour")), wholeQuarterHourBar()) << currency;
        EXPECT_EQ(readBytes(output(currency, "Daily")), wholeQuarterHourBar()) << currency;
        EXPECT_NE(result.out.find("[" + std::string(currency) + "]\n"), std::string::npos);
    }
    EXPECT_FALSE(fs::exists(m_tool.path() / "HistoricalData" / "GBPUSD" / "5min"));

    result = linkage();
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.out.find("を書き出しました"), std::string::npos) << result.out;
    EXPECT_EQ(result.out.find("キャンセル"), std::string::npos) << result.out;
}

TEST_F(LinkageCliTest, AGrownSourceIsRebuiltOnlyWithOverwriting)
{
    settings("CheckList=EURUSD\r\nEdit1.Text=5\r\n");
    ASSERT_EQ(linkage().exitCode, 0);
    writeFile(source("EURUSD"), "2009.01.04,17:20,1.3015,1.3016,1.3014,1.3016,3\r\n", std::ios::app);

    // Without a terminal the overwrite question is answered by skipping, and the log says so.
    auto result = linkage();
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.out, "[EURUSD]\nEURUSD_5min_2009.txtの保存をキャンセルします...\n処理が完了しました\n0ms\n");
    EXPECT_EQ(readBytes(output("EURUSD", "5min")), defaultFiveMinuteBars());

    result = linkage({"--overwrite"});
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.out, "[EURUSD]\nEURUSD_5min_2009.txt を書き出しました\n処理が完了しました\n0ms\n");
    EXPECT_TRUE(readBytes(output("EURUSD", "5min")).ends_with("2009/01/04,17:20:00,1.3015,1.3016,1.3014,1.3016\r\n"));
}

/// The lines in the day-first layout with semicolons and decimal commas.
std::string dayFirstWithSemicolons(std::string_view lines)
{
    std::string text;
    std::istringstream in{std::string(lines)};
    for (std::string line; std::getline(in, line);) {
        // "2009.01.04,17:00,1.3000,…" → "04.01.2009;17:00;1,3000;…"
        std::string rest = line.substr(10);
        for (char& c : rest) {
            c = c == ',' ? ';' : (c == '.' ? ',' : c);
        }
        text += line.substr(8, 2) + '.' + line.substr(5, 2) + '.' + line.substr(0, 4) + rest + '\n';
    }
    return text;
}

// A source in another layout is skipped when its outputs hold its last line, and rebuilt when it grew, as a
// usual one: the up-to-date test reads the last line as the conversion reads it.
TEST_F(LinkageCliTest, ASourceInAnotherLayoutIsSkippedWhenUpToDateAndRebuiltWhenItGrows)
{
    writeFile(source("EURUSD"), dayFirstWithSemicolons(SundayOpen));
    settings("CheckList=EURUSD\r\nEdit1.Text=5\r\n");
    for (const char* layout : {"auto", "dmy"}) {
        std::vector<std::string> options{"--layout", layout, "--overwrite"};
        if (std::string_view(layout) == "dmy") {
            options.insert(options.end(), {"--separator", "semicolon", "--decimal-comma"});
        }
        fs::remove_all(output("EURUSD", "5min").parent_path());
        auto result = linkage(options);
        ASSERT_EQ(result.exitCode, 0) << layout << result.err;
        EXPECT_EQ(readBytes(output("EURUSD", "5min")), defaultFiveMinuteBars()) << layout;

        result = linkage(options);
        EXPECT_EQ(result.exitCode, 0) << layout << result.err;
        EXPECT_EQ(result.out.find("を書き出しました"), std::string::npos) << layout << result.out;
    }
    writeFile(source("EURUSD"), "04.01.2009;17:20;1,3015;1,3016;1,3014;1,3016;3\n", std::ios::app);
    const auto result = linkage({"--overwrite"});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_NE(result.out.find("EURUSD_5min_2009.txt を書き出しました"), std::string::npos) << result.out;
    EXPECT_TRUE(readBytes(output("EURUSD", "5min")).ends_with("2009/01/04,17:20:00,1.3015,1.3016,1.3014,1.3016\r\n"));
}

TEST_F(LinkageCliTest, AlwaysRebuildPolicyAndTimeframesFromTheCommandLine)
{
    settings("CheckList=USDJPY\r\nEdit1.Text=5\r\nRadioGroup1=1\r\n", "CheckBox6=1\r\n");
    ASSERT_EQ(linkage().exitCode, 0);
    auto result = linkage({"-t", "60"});
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.out, "[USDJPY]\nUSDJPY_1hour_2009.txt を書き出しました\n処理が完了しました\n0ms\n");
    result = linkage({"-t", "60"});
    EXPECT_EQ(result.out, "[USDJPY]\nUSDJPY_1hour_2009.txt を書き出しました\n処理が完了しました\n0ms\n");
}

TEST_F(LinkageCliTest, AFolderWhoseSourceGivesNoBarEndsTheBatchWithStatusThree)
{
    settings("CheckList=EURUSDUSDJPY\r\nEdit1.Text=5\r\n");
    writeFile(source("EURUSD"), "Date;Time;Open;High;Low;Close\r\n"); // a header and nothing else
    const auto result = linkage();
    EXPECT_EQ(result.exitCode, 3) << result.err;
    EXPECT_NE(result.out.find("EURUSD_5min_2009.txt は変換できる行がないので書き出しません\n"), std::string::npos)
        << result.out;
    EXPECT_FALSE(fs::exists(output("EURUSD", "5min")));
    // The batch goes on over the other folders.
    EXPECT_EQ(readBytes(output("USDJPY", "5min")), defaultFiveMinuteBars());
}

TEST_F(LinkageCliTest, AnErrorStopsTheBatchWithStatusOne)
{
    settings("CheckList=EURUSDUSDJPYGBPUSD\r\nEdit1.Text=5\r\n");
    writeFile(source("EURUSD"), "2009.01.04,17:00,1.3000,1.3005,1.2995,1.3001\r\n2009.01.04,17:01,1.3,x,1.2,1.3\r\n");
    const auto result = linkage();
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.err, "'x' は浮動小数点数ではありません\n");
    // Folders listed before EURUSD were converted; none after it.
    const auto out = result.out;
    EXPECT_EQ(out.find('[', out.find("[EURUSD]") + 1), std::string::npos) << out;
}

TEST_F(LinkageCliTest, RefusesWhatItCannotRun)
{
    settings("CheckList=EURUSD\r\n");
    struct Case
    {
        std::vector<std::string> args;
        int exitCode;
        std::string errPart;
    };
    const TempDir noTool;
    const Case cases[] = {
        {{"--linkage", "a.txt"}, 2, "takes no source file"},
        {{"--tool-dir", m_tool.path().string(), "a.txt"}, 2, "--tool-dir needs --linkage"},
        {{"--linkage", "--label", "end"}, 2, "--label cannot be used with --linkage"},
        {{"--linkage", "--tool-dir", (m_tool.path() / "nowhere").string()}, 2, "not found"},
        {{"--linkage", "--settings", m_settings, "--tool-dir", noTool.path().string()}, 1, "Quenbry.exe not found in"},
    };
    for (const auto& c : cases) {
        const auto result = run(c.args);
        const auto what = ::testing::PrintToString(c.args);
        EXPECT_EQ(result.exitCode, c.exitCode) << what;
        EXPECT_NE(result.err.find(c.errPart), std::string::npos) << what << ": " << result.err;
        EXPECT_EQ(result.out, "") << what;
    }

    // Nothing checked: nothing to do, but the job's mail says why.
    settings("CheckList=CHFJPY\r\n");
    const auto result = linkage();
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_NE(result.err.find("no instrument folder"), std::string::npos) << result.err;
    EXPECT_FALSE(fs::exists(m_tool.path() / "HistoricalData" / "EURUSD" / "5min"));
}

#ifndef _WIN32
TEST_F(LinkageCliTest, RealProgramRunsTheBatchFromTheToolsFolder)
{
    settings("CheckList=GBPUSD\r\nEdit1.Text=5, 1440\r\n");
    auto result = runProgram({"--linkage", "--settings", m_settings}, m_tool.path());
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_TRUE(result.out.starts_with("[GBPUSD]\nGBPUSD_5min_2009.txt を書き出しました\n"
                                       "GBPUSD_Daily_2009.txt を書き出しました\n処理が完了しました\n"))
        << result.out;
    EXPECT_EQ(readBytes(output("GBPUSD", "5min")), defaultFiveMinuteBars());
    EXPECT_EQ(readBytes(output("GBPUSD", "Daily")), wholeQuarterHourBar());

    result = runProgram({"--linkage", "--settings", m_settings}, m_tool.path());
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_TRUE(result.out.starts_with("[GBPUSD]\n処理が完了しました\n")) << result.out;

    writeFile(source("GBPUSD"), "2009.01.04,17:00,1.3000,1.3005,1.2995,1.3001\r\n2009.01.05,17:01,1.3,1.3,y,1.3\r\n");
    result = runProgram({"--linkage", "--settings", m_settings, "--tool-dir", m_tool.path().string()}, m_home.path());
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.err, "'y' は浮動小数点数ではありません\n");

    // Started elsewhere without --tool-dir, the program does not find the tool.
    result = runProgram({"--linkage", "--settings", m_settings}, m_home.path());
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_NE(result.err.find("Quenbry.exe not found"), std::string::npos) << result.err;
}
#else
TEST_F(LinkageCliTest, RealProgramRunsTheBatchFromTheToolsFolder)
{
    GTEST_SKIP() << "starts the program through a POSIX shell; scripts/wine-check.sh runs the Windows program";
}
#endif
