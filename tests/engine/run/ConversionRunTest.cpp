#include "engine/run/ConversionRun.h"

#include "support/RecordingHost.h"
#include "support/TempDir.h"

#include <algorithm>
#include <gtest/gtest.h>

namespace velmora {
namespace {

using test::readBytes;
using test::RecordingHost;
using test::TempDir;

const char* const Source = "Date,Time,Open,High,Low,Close\r\n"
                           "2008/01/08,09:00,1.4700,1.4710,1.4695,1.4705\r\n"
                           "2008/01/08,09:07,1.4705,1.4712,1.4701,1.4702\r\n";

struct RunFixture
{
    TempDir dir;
    RecordingHost host;
    FixedClock clock{{2026, 12, 8}, 1000};
    RunState state;
    RunRequest request;

    RunOutcome run()
    {
        ConversionRun conversion(host, clock, state);
        conversion.setHookSeed(7);
        return conversion.execute(request);
    }

    std::string file(std::string_view name) const { return dir.file(name).string(); }
};

TEST(ConversionRunTest, WorkedExampleWritesBothFilesAndLogsInOrder)
{
    RunFixture f;
    f.request.settings.timeframes = "5, 1440";
    f.request.files = {f.dir.write("EURUSD_1min_2009.txt", Source).string()};
    EXPECT_EQ(f.run(), RunOutcome::Completed);

    EXPECT_TRUE(std::filesystem::exists(f.dir.file("EURUSD_5min_2009.txt")));
    EXPECT_EQ(readBytes(f.dir.file("EURUSD_Daily_2009.txt")), "2008/01/07,17:00:00,1.4700,1.4712,1.4695,1.4702\r\n");
    std::vector<std::string> rows = f.host.logRows();
    ASSERT_EQ(rows.size(), 8U);
    rows.back() = rows.back().substr(rows.back().size() - 2);
    const std::vector<std::string> expected = {"Date,Time,Open,High,Low,Close",
                                               "は所定の形式ではないので飛ばします",
                                               "EURUSD_5min_2009.txt を書き出しました",
                                               "Date,Time,Open,High,Low,Close",
                                               "は所定の形式ではないので飛ばします",
                                               "EURUSD_Daily_2009.txt を書き出しました",
                                               "処理が完了しました",
                                               "ms"};
    EXPECT_EQ(rows, expected);
    EXPECT_EQ(f.host.statusTexts, (std::vector<std::string>{"処理中", "5min 処理中 1 / 2", "1440min 処理中 2 / 2"}));
    EXPECT_EQ(f.host.finishedTexts, std::vector<std::string>{"処理が完了しました"});
    EXPECT_EQ(f.host.controlsEnabled, (std::vector<bool>{false, true}));
    EXPECT_EQ(f.state.kind, BarKind::Daily);
}

TEST(ConversionRunTest, JobsRunEntriesOuterFilesInner)
{
    RunFixture f;
    f.request.settings.timeframes = "5.60";
    f.request.settings.overwriteWithoutAsking = true;
    f.request.files = {f.dir.write("A_1min.txt", Source).string(), f.dir.write("B_1min.txt", Source).string()};
    EXPECT_EQ(f.run(), RunOutcome::Completed);
    EXPECT_EQ(f.host.timeframeTexts, std::vector<std::string>{"5,60"});
    EXPECT_EQ(f.host.statusTexts, (std::vector<std::string>{"処理中", "5min 処理中 1 / 4", "5min 処理中 2 / 4",
                                                            "60min 処理中 3 / 4", "60min 処理中 4 / 4"}));
    std::vector<std::string> written;
    for (const auto& row : f.host.logRows()) {
        if (row.find("を書き出しました") != std::string::npos) {
            written.push_back(row);
        }
    }
    EXPECT_EQ(written, (std::vector<std::string>{"A_5min.txt を書き出しました", "B_5min.txt を書き出しました",
                                                 "A_1hour.txt を書き出しました", "B_1hour.txt を書き出しました"}));
}

TEST(ConversionRunTest, StartChecksStopBeforeAnythingChanges)
{
    struct Case
    {
        const char* separator;
        bool force;
        const char* extension;
        bool withFile;
        const char* message;
    };
    const Case cases[] = {
        {"", true, "", false, "「書きだす時の日付の区切り文字」の項目が空です。\r「/」や「-」などを指定してください"},
        {"/", true, "", false,
         "「出力ファイルの拡張子を指定」にチェックが付いているのに、拡張子の項目が空です。\r「.txt」や「.csv」"
         "などを指定するか、チェックを外してください"},
        {"/", false, "", false, "ファイルが登録されていません。\rファイルをドラッグ＆ドロップにて登録してください"},
    };
    for (const Case& c : cases) {
        RunFixture f;
        f.request.dateSeparatorBox = c.separator;
        f.request.settings.forceExtension = c.force;
        f.request.settings.extension = c.extension;
        f.request.settings.timeframes = "5.60";
        EXPECT_EQ(f.run(), RunOutcome::NotStarted);
        EXPECT_EQ(f.host.messages, std::vector<std::string>{c.message});
        EXPECT_EQ(f.host.clearLogCount, 0);
        EXPECT_TRUE(f.host.controlsEnabled.empty());
        EXPECT_TRUE(f.host.timeframeTexts.empty());
    }
}

TEST(ConversionRunTest, AnErrorEndsTheRunAndKeepsEarlierFiles)
{
    RunFixture f;
    f.request.settings.timeframes = "5, x, 60";
    f.request.files = {f.dir.write("A_1min.txt", Source).string()};
    EXPECT_EQ(f.run(), RunOutcome::Failed);
    EXPECT_TRUE(std::filesystem::exists(f.dir.file("A_5min.txt")));
    EXPECT_FALSE(std::filesystem::exists(f.dir.file("A_1hour.txt")));
    EXPECT_EQ(f.host.messages, std::vector<std::string>{"'x' は整数ではありません"});
    EXPECT_EQ(f.host.controlsEnabled, (std::vector<bool>{false, true}));
    EXPECT_EQ(f.host.finishedTexts, std::vector<std::string>{"処理が完了しました"});
    EXPECT_EQ(f.host.events.back(), "message:'x' は整数ではありません") << "shown after the window is restored";
}

TEST(ConversionRunTest, BadBoxesAndMissingFilesEndTheRun)
{
    RunFixture zone;
    zone.request.timeZoneBox = "abc";
    zone.request.files = {zone.dir.write("A_1min.txt", Source).string()};
    EXPECT_EQ(zone.run(), RunOutcome::Failed);
    EXPECT_EQ(zone.host.messages, std::vector<std::string>{"'abc' は整数ではありません"});

    RunFixture missing;
    missing.request.settings.timeframes = "5";
    const std::string absent = missing.file("B_1min.txt");
    missing.request.files = {missing.dir.write("A_1min.txt", Source).string(), absent};
    EXPECT_EQ(missing.run(), RunOutcome::Failed);
    EXPECT_TRUE(std::filesystem::exists(missing.dir.file("A_5min.txt")));
    EXPECT_EQ(missing.host.messages, std::vector<std::string>{"ファイル " + absent + " は開けません"});

    RunFixture cut;
    cut.request.settings.cutTime = "1700";
    cut.request.files = {cut.dir.write("A_1min.txt", Source).string()};
    EXPECT_EQ(cut.run(), RunOutcome::Failed);
    EXPECT_FALSE(std::filesystem::exists(cut.dir.file("A_5min.txt")));
    ASSERT_EQ(cut.host.messages.size(), 1U);
    EXPECT_NE(cut.host.messages[0].find("1700"), std::string::npos);
}

TEST(ConversionRunTest, RefusedEntryStopsTheRunBeforeItsJobs)
{
    for (const char* entry : {"0", "0-0", "5*0-10*0", "-5"}) {
        RunFixture f;
        f.request.settings.timeframes = std::string("5,") + entry;
        f.request.files = {f.dir.write("A_1min.txt", Source).string()};
        EXPECT_EQ(f.run(), RunOutcome::Failed) << entry;
        EXPECT_TRUE(std::filesystem::exists(f.dir.file("A_5min.txt"))) << entry;
        EXPECT_EQ(f.host.messages.size(), 1U) << entry;
    }
}

TEST(ConversionRunTest, CancelIsSeenAtTheHookOrAfterTheLastJob)
{
    // A long file gives the walk many hook calls; a cancel confirmed before the build is seen at the first.
    std::string longSource;
    for (int minute = 0; minute < 20000; ++minute) {
        char line[64];
        std::snprintf(line, sizeof line, "2008/01/%02d,%02d:%02d,1,1,1,1\r\n", 8 + minute / 1440, minute / 60 % 24,
                      minute % 60);
        longSource += line;
    }
    RunFixture f;
    f.request.settings.timeframes = "1";
    f.request.files = {f.dir.write("A_1min.txt", longSource).string()};
    f.host.onProcessEvents = [&f](int) { f.host.cancel = true; };
    EXPECT_EQ(f.run(), RunOutcome::Cancelled);
    EXPECT_FALSE(std::filesystem::exists(f.dir.file("A_1min 1min.txt")));
    EXPECT_EQ(f.host.log.back(), "処理を中断しました");
    EXPECT_EQ(std::count(f.host.log.begin(), f.host.log.end(), "処理が完了しました"), 0);
    EXPECT_EQ(f.host.finishedTexts, std::vector<std::string>{"処理が完了しました"});

    // Cancelled late in a walk whose bars, and those of the job walked beside it, already went to temporary
    // files beside their targets: nothing of them is left.
    RunFixture late;
    late.request.settings.timeframes = "1, 2";
    late.request.files = {late.dir.write("A_1min.txt", longSource).string()};
    late.host.onProcessEvents = [&late](int count) { late.host.cancel = count >= 8; };
    EXPECT_EQ(late.run(), RunOutcome::Cancelled);
    EXPECT_EQ(test::folderNames(late.dir.path()), std::vector<std::string>{"A_1min.txt"});

    // A short walk makes no hook call: every job completes and the cancel is logged last.
    RunFixture shortRun;
    shortRun.request.files = {shortRun.dir.write("A_1min.txt", Source).string()};
    shortRun.request.settings.timeframes = "5";
    shortRun.host.onProcessEvents = [&shortRun](int) { shortRun.host.cancel = true; };
    EXPECT_EQ(shortRun.run(), RunOutcome::Cancelled);
    const auto rows = shortRun.host.logRows();
    ASSERT_GE(rows.size(), 3U);
    EXPECT_EQ(rows[rows.size() - 3], "処理が完了しました");
    EXPECT_EQ(rows.back(), "処理を中断しました");
}

TEST(ConversionRunTest, SequencePositionCarriesFromOneFileToTheNext)
{
    RunFixture f;
    f.request.settings.timeframes = "60+120-60";
    f.request.settings.marketWindow = false;
    f.request.settings.cutTime = "0:00";
    // The widths 60, 120, gap 60 fill a day six times over. File A stops in a 120-minute bucket; file B starts
    // its grid with that element, so its 01:10 line falls into 00:00-02:00 instead of 01:00-03:00.
    const char* a = "2008/01/08,00:10,1,1,1,1\r\n2008/01/08,01:10,2,2,2,2\r\n";
    const char* b = "2008/01/08,01:10,3,3,3,3\r\n";
    f.request.files = {f.dir.write("A_1min.txt", a).string(), f.dir.write("B_1min.txt", b).string()};
    EXPECT_EQ(f.run(), RunOutcome::Completed);
    EXPECT_EQ(readBytes(f.dir.file("A_60+120-60min.txt")), "2008/01/08,00:00:00,1,1,1,1\r\n"
                                                           "2008/01/08,01:00:00,2,2,2,2\r\n");
    EXPECT_EQ(readBytes(f.dir.file("B_60+120-60min.txt")), "2008/01/08,00:00:00,3,3,3,3\r\n");
}

TEST(ConversionRunTest, OverwriteQuestionAnswers)
{
    RunFixture f;
    f.request.settings.timeframes = "5,5,5";
    f.request.files = {f.dir.write("A_1min.txt", Source).string()};
    f.dir.write("A_5min.txt", "old");
    f.host.replyOverwrite();
    f.host.replySaveAs(f.dir.file("other.txt"));
    f.host.replySkip();
    EXPECT_EQ(f.run(), RunOutcome::Completed);
    ASSERT_EQ(f.host.questions.size(), 3U);
    EXPECT_EQ(f.host.questions[0].proposedPath, f.dir.file("A_5min(new).txt"));
    EXPECT_NE(readBytes(f.dir.file("A_5min.txt")), "old");
    EXPECT_EQ(readBytes(f.dir.file("A_5min.txt")), readBytes(f.dir.file("other.txt")));
    const auto rows = f.host.logRows();
    EXPECT_NE(std::find(rows.begin(), rows.end(), "other.txt を書き出しました"), rows.end());
    EXPECT_NE(std::find(rows.begin(), rows.end(), "A_5min.txtの保存をキャンセルします..."), rows.end());
}

TEST(ConversionRunTest, AnOutputNamedAfterItsSourceNeverReplacesIt)
{
    RunFixture f;
    f.request.settings.timeframes = "1, 5";
    f.request.settings.overwriteWithoutAsking = true;
    f.request.files = {f.dir.write("A_1min.txt", Source).string()};
    EXPECT_EQ(f.run(), RunOutcome::Completed);
    EXPECT_EQ(readBytes(f.dir.file("A_1min.txt")), Source);
    EXPECT_TRUE(std::filesystem::exists(f.dir.file("A_5min.txt")));
    const auto rows = f.host.logRows();
    EXPECT_NE(std::find(rows.begin(), rows.end(), "A_1min.txt は変換元のファイルと同じなので書き出しません"),
              rows.end());
}

} // namespace
} // namespace velmora
