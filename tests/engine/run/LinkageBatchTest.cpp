#include "engine/run/LinkageBatch.h"

#include "cli/CliTestData.h"
#include "engine/run/RunRequestFromSettings.h"
#include "support/RecordingHost.h"
#include "support/TempDir.h"

#include <algorithm>
#include <gtest/gtest.h>

namespace velmora {
namespace {

namespace fs = std::filesystem;
using test::readBytes;
using test::RecordingHost;
using test::TempDir;
using test::writeFile;

/// A download tool's folder as the tool leaves it: its program, optionally its settings file, and one folder per
/// instrument under HistoricalData.
struct ToolTree
{
    TempDir dir;

    explicit ToolTree(std::string_view toolSettings = {})
    {
        dir.write("Quenbry.exe", "");
        if (!toolSettings.empty()) {
            dir.write("Quenbry.ini", toolSettings);
        }
    }
    fs::path instrument(std::string_view currency) const { return dir.path() / "HistoricalData" / currency; }
    fs::path minuteFile(std::string_view currency, std::string_view name) const
    {
        return instrument(currency) / "1min" / name;
    }
};

struct BatchFixture
{
    ToolTree tree;
    RecordingHost host;
    FixedClock clock{{2009, 1, 23}, 0};
    RunState state;
    RunRequest main = runRequestFromSettings({});
    LinkageBatch batch;
    /// Every run's folder and registered file names, and every log entry of the batch (the host's own log
    /// holds only the last run's).
    std::vector<std::pair<std::string, std::vector<std::string>>> runs;
    std::vector<std::string> log;

    BatchFixture()
    {
        host.onLog = [this](std::string_view text) { log.emplace_back(text); };
    }

    LinkageBatchResult run(std::vector<std::string> checked)
    {
        const auto tool = findDownloadTool(tree.dir.path());
        EXPECT_TRUE(tool.has_value());
        batch.tool = tool.value_or(DownloadTool{});
        batch.checkedFolders = std::move(checked);
        log.clear();
        runs.clear();
        LinkageBatchHooks hooks;
        hooks.beforeRun = [this](std::string_view currency, std::span<const std::string> files) {
            std::vector<std::string> names;
            for (const auto& file : files) {
                names.push_back(fs::path(file).filename().string());
            }
            runs.emplace_back(currency, std::move(names));
        };
        return RunLinkageBatch(batch, main, host, clock, state, hooks);
    }

    /// The log entries that say a file was written or skipped, in order.
    std::vector<std::string> fileLines() const
    {
        std::vector<std::string> lines;
        std::copy_if(log.begin(), log.end(), std::back_inserter(lines), [](const std::string& line) {
            return line.ends_with("を書き出しました") || line.ends_with("の保存をキャンセルします...");
        });
        return lines;
    }
};

const std::vector<std::string> FourOutputs = {
    "EURUSD_5min_2009.txt を書き出しました", "EURUSD_1hour_2009.txt を書き出しました",
    "EURUSD_4hour_2009.txt を書き出しました", "EURUSD_Daily_2009.txt を書き出しました"};

TEST(LinkageBatchTest, FindsTheToolAndReadsItsTwoOptions)
{
    const TempDir empty;
    EXPECT_FALSE(findDownloadTool(empty.path()).has_value());
    fs::create_directory(empty.file("Quenbry.exe")); // a folder of that name is not the program
    EXPECT_FALSE(findDownloadTool(empty.path()).has_value());

    struct Case
    {
        std::string_view settings;
        std::string prefix;
        std::string minuteFolder;
    };
    const Case cases[] = {
        {"", "1min_", "1min"},
        {"[Form]\r\nEditFileHeadName=M1-\r\nRadioGroup3=1\r\n", "M1-", "1min"},
        {"[form]\r\nradiogroup3=0\r\n", "1min_", ""},
        {"[Form]\r\nRadioGroup3=2\r\n", "1min_", ""},
        {"[Form]\r\nRadioGroup3=0x1\r\n", "1min_", "1min"},
        {"[Other]\r\nRadioGroup3=0\r\nEditFileHeadName=x\r\n", "1min_", "1min"},
    };
    for (const auto& c : cases) {
        const ToolTree tree(c.settings);
        const auto tool = findDownloadTool(tree.dir.path());
        ASSERT_TRUE(tool.has_value()) << c.settings;
        EXPECT_EQ(tool->fileHeadName, c.prefix) << c.settings;
        EXPECT_EQ(tool->minuteSubFolder, c.minuteFolder) << c.settings;
        EXPECT_EQ(tool->baseFolder(), tree.dir.path() / "HistoricalData");
    }
}

TEST(LinkageBatchTest, TakesOnlyNamesWithThePrefixAndAYearOrMerge)
{
    const std::pair<std::string_view, bool> cases[] = {
        {"1min_USDJPY_2008.txt", true},
        {"1min_USDJPY_merge.TXT", true},
        {"1min_USDJPY_tmp.txt", false},
        {"5min_USDJPY_2008.txt", false},
        {"2008.txt", false},
        {"1MIN_USDJPY_2008.txt", false},
        {"USDJPY_1min_2008.txt", true},
        {"x1min_USDJPY_MERGE.txt", true},
        {"1min_USDJPY_200.txt", false},
        {"1min_USDJPY_20081.txt", true},
        {"1min_USDJPY_merge_txt", false},
        {"1min_USDJPY_merge.txt.bak", true},
    };
    for (const auto& [name, taken] : cases) {
        EXPECT_EQ(isBatchSourceName(name, "1min_"), taken) << name;
    }
    EXPECT_TRUE(isBatchSourceName("USDJPY_2008.txt", ""));
    EXPECT_TRUE(isBatchSourceName("USDJPY-M1_2008.txt", "M1"));
}

TEST(LinkageBatchTest, RegistersTheFolderFilesThatPassInCaseInsensitiveOrder)
{
    const ToolTree tree;
    for (const auto name : {"1min_USDJPY_merge.TXT", "1min_usdjpy_2009.txt", "1min_USDJPY_tmp.txt",
                            "5min_USDJPY_2008.txt", "1min_USDJPY_2008.txt", "1min_USDJPY_2010.csv", "2008.txt"}) {
        writeFile(tree.minuteFile("USDJPY", name), "");
    }
    fs::create_directories(tree.minuteFile("USDJPY", "1min_USDJPY_2011.txt")); // a folder is no file

    EXPECT_EQ(ListTextFiles(tree.instrument("USDJPY") / "1min", ".TXT"),
              (std::vector<std::string>{"1min_USDJPY_2008.txt", "1min_usdjpy_2009.txt", "1min_USDJPY_merge.TXT",
                                        "1min_USDJPY_tmp.txt", "2008.txt", "5min_USDJPY_2008.txt"}));

    const auto tool = findDownloadTool(tree.dir.path());
    ASSERT_TRUE(tool);
    const auto folder = tree.instrument("USDJPY") / "1min";
    EXPECT_EQ(batchSourceFiles(*tool, "USDJPY"),
              (std::vector<std::string>{(folder / "1min_USDJPY_2008.txt").string(),
                                        (folder / "1min_usdjpy_2009.txt").string(),
                                        (folder / "1min_USDJPY_merge.TXT").string()}));
    EXPECT_TRUE(batchSourceFiles(*tool, "EURUSD").empty()); // no such folder: a run that writes nothing
}

TEST(LinkageBatchTest, ListsInstrumentFoldersInListingOrderHiddenOnesIncluded)
{
    const ToolTree tree;
    for (const auto name : {"USDJPY", "EURUSD", ".hidden", "AUDUSD", "GBPUSD"}) {
        fs::create_directories(tree.instrument(name));
    }
    writeFile(tree.instrument("notes.txt"), "a file is no instrument");

    std::vector<std::string> listing;
    for (const auto& entry : fs::directory_iterator(tree.dir.path() / "HistoricalData")) {
        if (entry.is_directory()) {
            listing.push_back(entry.path().filename().string());
        }
    }
    EXPECT_EQ(ListCurrencyFolders(tree.dir.path() / "HistoricalData"), listing);
    EXPECT_EQ(listing.size(), 5U);
    EXPECT_TRUE(ListCurrencyFolders(tree.dir.path() / "NoSuchFolder").empty());

    // The stored check text names folders by substring, in list order.
    const std::vector<std::string> folders{"USDJPY", "EURUSD", "EUR", "GBPUSD"};
    EXPECT_EQ(checkedFoldersOf(folders, "EURUSDUSDJPY"), (std::vector<std::string>{"USDJPY", "EURUSD", "EUR"}));
    EXPECT_EQ(overwritePolicyFromIndex(0), LinkageOverwrite::WhenNewer);
    EXPECT_EQ(overwritePolicyFromIndex(1), LinkageOverwrite::Always);
    EXPECT_EQ(overwritePolicyFromIndex(5), LinkageOverwrite::Always);
}

TEST(LinkageBatchTest, ConvertsEachCheckedFolderIntoTimeframeFoldersBesideItsMinuteFolder)
{
    BatchFixture f;
    writeFile(f.tree.minuteFile("EURUSD", "1min_EURUSD_2009.txt"), test::SundayOpen);
    writeFile(f.tree.minuteFile("USDJPY", "1min_USDJPY_2009.txt"), test::SundayOpen);
    writeFile(f.tree.minuteFile("GBPUSD", "1min_GBPUSD_2009.txt"), test::SundayOpen);

    const auto result = f.run({"USDJPY", "EURUSD"});
    EXPECT_EQ(result.outcome, LinkageBatchOutcome::Completed);
    EXPECT_EQ(result.runs, 2);
    using Run = std::pair<std::string, std::vector<std::string>>;
    EXPECT_EQ(f.runs, (std::vector<Run>{{"USDJPY", {"1min_USDJPY_2009.txt"}}, {"EURUSD", {"1min_EURUSD_2009.txt"}}}));

    for (const auto currency : {"USDJPY", "EURUSD"}) {
        const auto folder = f.tree.instrument(currency);
        const std::string stem = std::string("_") + currency + "_2009.txt";
        EXPECT_EQ(readBytes(folder / "5min" / ("5min" + stem)), test::defaultFiveMinuteBars()) << currency;
        EXPECT_EQ(readBytes(folder / "1hour" / ("1hour" + stem)), test::wholeQuarterHourBar()) << currency;
        EXPECT_EQ(readBytes(folder / "4hour" / ("4hour" + stem)), test::wholeQuarterHourBar()) << currency;
        EXPECT_EQ(readBytes(folder / "Daily" / ("Daily" + stem)), test::wholeQuarterHourBar()) << currency;
    }
    EXPECT_FALSE(fs::exists(f.tree.instrument("GBPUSD") / "5min"));
    EXPECT_EQ(f.fileLines().size(), 8U);
    // The last run's status texts name its folder; the daily entry shows as "Day".
    EXPECT_EQ(f.host.statusTexts.back(), "EURUSD Day 処理中 4 / 4");
    EXPECT_NE(std::find(f.host.statusTexts.begin(), f.host.statusTexts.end(), "EURUSD 240min 処理中 3 / 4"),
              f.host.statusTexts.end());
}

TEST(LinkageBatchTest, UpToDateOutputsAreSkippedAndOnlyAGrownSourceRebuilds)
{
    BatchFixture f;
    f.main.settings.overwriteWithoutAsking = true;
    writeFile(f.tree.minuteFile("EURUSD", "EURUSD_1min_2009.txt"), test::SundayOpen);
    writeFile(f.tree.minuteFile("USDJPY", "USDJPY_1min_2009.txt"), test::SundayOpen);
    ASSERT_EQ(f.run({"EURUSD", "USDJPY"}).outcome, LinkageBatchOutcome::Completed);

    // Nothing new: every job is skipped without a trace in the log.
    ASSERT_EQ(f.run({"EURUSD", "USDJPY"}).outcome, LinkageBatchOutcome::Completed);
    EXPECT_EQ(f.fileLines(), std::vector<std::string>{});
    EXPECT_EQ(std::count(f.log.begin(), f.log.end(), "処理が完了しました"), 2);
    EXPECT_EQ(f.log.size(), 4U); // the completion line and the elapsed time of each run

    // A day more of minutes for EURUSD: all four of its outputs are stale, USDJPY's are not.
    writeFile(f.tree.minuteFile("EURUSD", "EURUSD_1min_2009.txt"),
              "2009.01.05,18:00,1.3100,1.3105,1.3095,1.3101,10\r\n", std::ios::app);
    ASSERT_EQ(f.run({"EURUSD", "USDJPY"}).outcome, LinkageBatchOutcome::Completed);
    EXPECT_EQ(f.fileLines(), FourOutputs);
    EXPECT_NE(readBytes(f.tree.instrument("EURUSD") / "Daily" / "EURUSD_Daily_2009.txt").find("2009/01/05,17:00:00"),
              std::string::npos);
    EXPECT_TRUE(f.host.questions.empty());
}

TEST(LinkageBatchTest, AlwaysRebuildPolicyAsksBeforeReplacingUnlessOverwritingWithoutAsking)
{
    BatchFixture f;
    writeFile(f.tree.minuteFile("EURUSD", "EURUSD_1min_2009.txt"), test::SundayOpen);
    f.batch.timeframes = "5, 60, 240, 1440";
    ASSERT_EQ(f.run({"EURUSD"}).outcome, LinkageBatchOutcome::Completed);

    f.batch.overwritePolicy = LinkageOverwrite::Always;
    for (int i = 0; i < 4; ++i) {
        f.host.replySkip();
    }
    ASSERT_EQ(f.run({"EURUSD"}).outcome, LinkageBatchOutcome::Completed);
    ASSERT_EQ(f.host.questions.size(), 4U);
    EXPECT_EQ(f.host.questions.front().target, f.tree.instrument("EURUSD") / "5min" / "EURUSD_5min_2009.txt");
    EXPECT_EQ(f.fileLines().front(), "EURUSD_5min_2009.txtの保存をキャンセルします...");

    f.main.settings.overwriteWithoutAsking = true;
    ASSERT_EQ(f.run({"EURUSD"}).outcome, LinkageBatchOutcome::Completed);
    EXPECT_EQ(f.host.questions.size(), 4U);
    EXPECT_EQ(f.fileLines(), FourOutputs);
}

TEST(LinkageBatchTest, WithoutTheMinuteFolderFilesComeFromTheInstrumentFolderAndOutputsGoBeside)
{
    BatchFixture f;
    f.tree.dir.write("Quenbry.ini", "[Form]\r\nRadioGroup3=0\r\n");
    writeFile(f.tree.instrument("EURUSD") / "1min_EURUSD_2009.txt", test::SundayOpen);
    writeFile(f.tree.minuteFile("EURUSD", "1min_EURUSD_2008.txt"), test::SundayOpen); // not looked at
    f.batch.timeframes = "5";

    ASSERT_EQ(f.run({"EURUSD"}).outcome, LinkageBatchOutcome::Completed);
    EXPECT_EQ(f.runs.front().second, std::vector<std::string>{"1min_EURUSD_2009.txt"});
    EXPECT_EQ(readBytes(f.tree.instrument("EURUSD") / "5min_EURUSD_2009.txt"), test::defaultFiveMinuteBars());
    EXPECT_FALSE(fs::exists(f.tree.instrument("EURUSD") / "5min"));
}

TEST(LinkageBatchTest, AnErrorOrACancelStopsTheBatchAtThatFolder)
{
    BatchFixture f;
    writeFile(f.tree.minuteFile("AUDUSD", "1min_AUDUSD_2009.txt"), test::SundayOpen);
    writeFile(f.tree.minuteFile("EURUSD", "1min_EURUSD_2009.txt"),
              "2009.01.04,17:00,1.3000,1.3005,1.2995,1.3001\r\n2009.01.04,17:01,1.3001,high,1.3000,1.3008\r\n");
    writeFile(f.tree.minuteFile("USDJPY", "1min_USDJPY_2009.txt"), test::SundayOpen);
    f.batch.timeframes = "5";

    auto result = f.run({"AUDUSD", "EURUSD", "USDJPY"});
    EXPECT_EQ(result.outcome, LinkageBatchOutcome::Failed);
    EXPECT_EQ(result.runs, 2);
    EXPECT_EQ(result.stoppedFolder, "EURUSD");
    EXPECT_EQ(f.host.messages, std::vector<std::string>{"'high' は浮動小数点数ではありません"});
    EXPECT_TRUE(fs::exists(f.tree.instrument("AUDUSD") / "5min" / "5min_AUDUSD_2009.txt"));
    EXPECT_FALSE(fs::exists(f.tree.instrument("USDJPY") / "5min"));

    // A cancel confirmed during the first run: the run ends and no other folder starts.
    BatchFixture g;
    writeFile(g.tree.minuteFile("AUDUSD", "1min_AUDUSD_2009.txt"), test::SundayOpen);
    writeFile(g.tree.minuteFile("USDJPY", "1min_USDJPY_2009.txt"), test::SundayOpen);
    g.host.onProcessEvents = [&g](int) { g.host.cancel = true; };
    result = g.run({"AUDUSD", "USDJPY"});
    EXPECT_EQ(result.outcome, LinkageBatchOutcome::Cancelled);
    EXPECT_EQ(result.runs, 1);
    EXPECT_EQ(g.log.back(), "処理を中断しました");
    EXPECT_FALSE(fs::exists(g.tree.instrument("USDJPY") / "5min"));
}

TEST(LinkageBatchTest, DatesGetASeparatorAndBarsAreLabelledByTheirStart)
{
    struct Case
    {
        char inForce;
        std::string_view box;
        std::string_view firstBar;
    };
    const Case cases[] = {
        {'\0', "-", "2009-01-04,17:00:00,"}, // the main window's box
        {'\0', "", "2009/01/04,17:00:00,"},  // no usable box either: the box's default
        {'.', "-", "2009.01.04,17:00:00,"},  // a separator in force stays
    };
    for (const auto& c : cases) {
        BatchFixture f;
        f.state.separators.output = c.inForce;
        f.main.dateSeparatorBox = c.box;
        f.main.settings.labelling = BarLabelling::ByEnd;
        f.batch.timeframes = "5";
        writeFile(f.tree.minuteFile("EURUSD", "1min_EURUSD_2009.txt"), test::SundayOpen);
        ASSERT_EQ(f.run({"EURUSD"}).outcome, LinkageBatchOutcome::Completed);
        EXPECT_TRUE(readBytes(f.tree.instrument("EURUSD") / "5min" / "5min_EURUSD_2009.txt").starts_with(c.firstBar))
            << c.box;
    }
}

} // namespace
} // namespace velmora
