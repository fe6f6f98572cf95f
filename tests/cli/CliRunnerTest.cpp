#include "cli/CliRunner.h"

#include "cli/CliTestData.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>
#include <sstream>

using namespace velmora::test;
using velmora::cli::CliEnvironment;

namespace {

// Standing still, the clock makes the elapsed-time line "0ms".
const velmora::FixedClock stillClock({2026, 12, 8}, 5000);

struct Result
{
    int exitCode = -1;
    std::string out;
    std::string err;
};

Result run(std::vector<std::string> args, CliEnvironment environment = {})
{
    if (environment.clock == nullptr) {
        environment.clock = &stillClock;
    }
    std::ostringstream out;
    std::ostringstream err;
    Result result;
    result.exitCode = velmora::cli::runCli(args, out, err, environment);
    result.out = out.str();
    result.err = err.str();
    return result;
}

class CliRunnerTest : public ::testing::Test
{
protected:
    TempDir m_dir;
    std::string m_source = m_dir.write(SourceName, SundayOpen).string();
};

} // namespace

TEST_F(CliRunnerTest, ShowsASkippedHeaderAsTwoLogLines)
{
    const auto source = m_dir.write("GBPUSD_1min.txt", "Date,Time,Open,High,Low,Close\r\n" + std::string(SundayOpen));
    const auto result = run({"-t", "5, 60", source.string()});
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.out, "Date,Time,Open,High,Low,Close\n"
                          "は所定の形式ではないので飛ばします\n"
                          "GBPUSD_5min.txt を書き出しました\n"
                          "Date,Time,Open,High,Low,Close\n"
                          "は所定の形式ではないので飛ばします\n"
                          "GBPUSD_1hour.txt を書き出しました\n"
                          "処理が完了しました\n"
                          "0ms\n");
}

TEST_F(CliRunnerTest, ReadsTheDefaultSettingsFileWhenPresent)
{
    CliEnvironment environment;
    environment.defaultSettingsFile = m_dir.write("velmora.ini", "[Form]\r\nminute=5\r\nDateSeparator=-\r\n");
    EXPECT_EQ(run({m_source}, environment).exitCode, 0);
    EXPECT_EQ(readBytes(m_dir.file("EURUSD_5min_2009.txt")).substr(0, 10), "2009-01-04");
    EXPECT_FALSE(std::filesystem::exists(m_dir.file("EURUSD_1hour_2009.txt")));

    // A program without its settings file starts from the defaults.
    environment.defaultSettingsFile = m_dir.file("missing.ini");
    const auto result = run({"--overwrite", m_source}, environment);
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(readBytes(m_dir.file("EURUSD_5min_2009.txt")), defaultFiveMinuteBars());
    EXPECT_TRUE(std::filesystem::exists(m_dir.file("EURUSD_Daily_2009.txt")));
    EXPECT_FALSE(std::filesystem::exists(m_dir.file("missing.ini"))) << "the tool never writes settings";
}

TEST_F(CliRunnerTest, RefusesANamedSettingsFileThatIsNotThere)
{
    const auto result = run({"--settings", m_dir.file("typo.ini").string(), m_source});
    EXPECT_EQ(result.exitCode, 2);
    EXPECT_NE(result.err.find("typo.ini"), std::string::npos);
    EXPECT_EQ(result.out, "");
    EXPECT_FALSE(std::filesystem::exists(m_dir.file("EURUSD_5min_2009.txt")));
}

TEST_F(CliRunnerTest, AFailedStartCheckIsAnErrorWithTheWindowsMessage)
{
    const auto settings = m_dir.write("empty-separator.ini", "[Form]\r\nDateSeparator=\r\n");
    const auto result = run({"--settings", settings.string(), m_source});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.err, "「書きだす時の日付の区切り文字」の項目が空です。\n「/」や「-」などを指定してください\n");
    EXPECT_FALSE(std::filesystem::exists(m_dir.file("EURUSD_5min_2009.txt")));
}

TEST_F(CliRunnerTest, AnswersTheOverwriteQuestionFromTheTerminal)
{
    const auto target = m_dir.write("EURUSD_5min_2009.txt", "old\r\n");

    std::istringstream skip("n\n");
    CliEnvironment environment;
    environment.answers = &skip;
    auto result = run({"-t", "5", m_source}, environment);
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(readBytes(target), "old\r\n");
    EXPECT_EQ(result.out, "EURUSD_5min_2009.txtの保存をキャンセルします...\n処理が完了しました\n0ms\n");

    std::istringstream saveAs("s\n\n");
    environment.answers = &saveAs;
    result = run({"-t", "5", m_source}, environment);
    EXPECT_EQ(readBytes(m_dir.file("EURUSD_5min_2009(new).txt")), defaultFiveMinuteBars());
    EXPECT_EQ(readBytes(target), "old\r\n");

    std::istringstream overwrite("o\n");
    environment.answers = &overwrite;
    result = run({"-t", "5", m_source}, environment);
    EXPECT_EQ(readBytes(target), defaultFiveMinuteBars());
    EXPECT_NE(result.out.find("EURUSD_5min_2009.txt を書き出しました"), std::string::npos);
}

TEST_F(CliRunnerTest, AnInterruptEndsWithStatus130)
{
    volatile std::sig_atomic_t interrupted = 1;
    CliEnvironment environment;
    environment.cancelFlag = &interrupted;
    const auto result = run({"-t", "5", m_source}, environment);
    EXPECT_EQ(result.exitCode, 130);
    EXPECT_TRUE(result.out.ends_with("処理を中断しました\n")) << result.out;
}

TEST_F(CliRunnerTest, HelpAndVersion)
{
    auto result = run({"--help"});
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_TRUE(result.out.starts_with("Usage: velmora-convert [--settings FILE] [options] FILE..."));
    EXPECT_NE(result.out.find("Examples:"), std::string::npos);
    EXPECT_NE(result.out.find("--linkage"), std::string::npos);

    result = run({"--version"});
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_TRUE(result.out.starts_with("velmora-convert ")) << result.out;
}
